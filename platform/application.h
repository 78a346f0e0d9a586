// The application's event loop: events are queued (by the command line, or by a signal)
// and dispatched one at a time; a run gives the loop a turn at fixed points, during which
// the user's cancel and a quit request get through.
#pragma once

#include <deque>
#include <utility>

#include "platform/events.h"
#include "platform/ui.h"

namespace platform {

class Application {
 public:
  explicit Application(UserInterface& ui) : ui_(ui) {}
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Dispatches queued events until a quit was asked for or none are left.
  void Run();
  void PostEvent(long number, AppleEvent event);
  // Asks the application to quit once the event loop regains control.
  void DoQuit() { quitting_ = true; }
  bool IsQuitting() const { return quitting_; }
  // One turn of the event loop: the interface redraws and delivers the user's actions,
  // a termination request becomes a quit event, and queued events are handled.
  void ProcessNextEvent();
  UserInterface& UI() { return ui_; }

 protected:
  virtual void HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, Descriptor& result, long number) = 0;

 private:
  void Dispatch(long number, const AppleEvent& event);

  UserInterface& ui_;
  std::deque<std::pair<long, AppleEvent>> queue_;
  bool quitting_ = false;
  int depth_ = 0;
};

// SIGINT presses the progress window's cancel button; SIGTERM asks the application to
// quit. Installed by the command line.
void InstallSignalHandlers();
// True once (and then false) after a SIGINT / SIGTERM arrived.
bool TakeInterrupt();
bool TakeTermination();

}  // namespace platform
