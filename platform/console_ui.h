// The windows of a run on a terminal: the progress window is one status line on standard
// error (only when it is a terminal), the options and summary windows are prompts (only
// when dialogs are wanted and standard input is a terminal), Ctrl-C is the cancel button.
#pragma once

#include <string>

#include "platform/ui.h"

namespace platform {

class ConsoleUserInterface final : public UserInterface {
 public:
  ConsoleUserInterface();
  ~ConsoleUserInterface() override;

  void RunOptionsWindow(const std::string& version_text, OptionsWindowState& state) override;
  void ShowProgress(bool visible) override;
  void RunSummaryWindow(const std::string& summary, const SummaryLayout& layout) override;
  void RunStartUpWindow(const std::string& version_line, const std::string& about_text) override;
  void Turn() override;

  // Text printed after the start-up window's (the command line's usage).
  void SetStartUpFooter(std::string text) { footer_ = std::move(text); }

 private:
  void Redraw(bool force);
  void ClearStatus();

  bool status_terminal_;
  bool prompt_terminal_;
  bool status_shown_ = false;
  uint32_t last_draw_ = 0;
  bool pending_cancel_ = false;
  std::string footer_;
};

}  // namespace platform
