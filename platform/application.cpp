#include "platform/application.h"

#include <csignal>

namespace platform {

namespace {
volatile std::sig_atomic_t g_interrupt = 0;
volatile std::sig_atomic_t g_termination = 0;

void OnInterrupt(int) { g_interrupt = 1; }
void OnTermination(int) { g_termination = 1; }
}  // namespace

void InstallSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sa.sa_handler = OnTermination;
  sigaction(SIGTERM, &sa, nullptr);
}

bool TakeInterrupt() {
  if (!g_interrupt) return false;
  g_interrupt = 0;
  return true;
}

bool TakeTermination() {
  if (!g_termination) return false;
  g_termination = 0;
  return true;
}

void Application::PostEvent(long number, AppleEvent event) { queue_.emplace_back(number, std::move(event)); }

void Application::Dispatch(long number, const AppleEvent& event) {
  AppleEvent reply;
  Descriptor result;
  ++depth_;
  HandleAppleEvent(event, reply, result, number);
  --depth_;
}

void Application::Run() {
  while (!quitting_ && !queue_.empty()) {
    auto [number, event] = std::move(queue_.front());
    queue_.pop_front();
    Dispatch(number, event);
    if (TakeTermination()) Dispatch(kEventQuit, AppleEvent{});
  }
}

void Application::ProcessNextEvent() {
  ui_.Turn();
  if (TakeTermination()) PostEvent(kEventQuit, AppleEvent{});
  // Events that arrive during a run are handled inside it, as a real event loop would;
  // the handlers ignore what cannot happen twice (a second run).
  size_t pending = queue_.size();
  while (pending-- > 0 && !queue_.empty()) {
    auto [number, event] = std::move(queue_.front());
    queue_.pop_front();
    Dispatch(number, event);
  }
}

}  // namespace platform
