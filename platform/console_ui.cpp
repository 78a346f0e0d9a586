#include "platform/console_ui.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/application.h"
#include "platform/system.h"

namespace platform {

namespace {

// Shortens text to width columns by cutting out its middle (counting UTF-8 characters).
std::string TruncateMiddle(const std::string& text, size_t width) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (starts.size() <= width || width < 5) return text;
  size_t keep_front = (width - 1) / 2;
  size_t keep_back = width - 1 - keep_front;
  return text.substr(0, starts[keep_front]) + "\xE2\x80\xA6" + text.substr(starts[starts.size() - keep_back]);
}

bool AskLine(const std::string& prompt, std::string& answer) {
  std::cerr << prompt << std::flush;
  return static_cast<bool>(std::getline(std::cin, answer));
}

}  // namespace

ConsoleUserInterface::ConsoleUserInterface()
    : status_terminal_(isatty(STDERR_FILENO) == 1), prompt_terminal_(isatty(STDIN_FILENO) == 1 && status_terminal_) {}

ConsoleUserInterface::~ConsoleUserInterface() { ClearStatus(); }

void ConsoleUserInterface::RunOptionsWindow(const std::string& version_text, OptionsWindowState& state) {
  ApplyOptionsRules(state);
  if (!prompt_terminal_) return;
  static const char* kSources[] = {"Eudora", "Eudora (Japanese)", "Mozilla/Thunderbird"};
  static const char* kTargets[] = {"Apple Mail", "Thunderbird"};
  std::cerr << "Ferrolin " << version_text << "\n";
  for (;;) {
    std::cerr << "\n  1. Source:     " << kSources[state.source - 1] << "\n"
              << "  2. Target:     " << kTargets[state.target - 1] << (state.target_enabled ? "" : " (fixed)") << "\n"
              << "  3. Mailboxes:  " << (state.mailboxes ? "yes" : "no") << "\n"
              << "  4. Filters:    " << (state.filters ? "yes" : "no") << (state.filters_enabled ? "" : " (fixed)") << "\n"
              << "  5. Nicknames:  " << (state.nicknames ? "yes" : "no") << (state.nicknames_enabled ? "" : " (fixed)")
              << "\n";
    std::string answer;
    if (!AskLine("Change which (1-5), or Return to convert: ", answer) || answer.empty()) return;
    switch (answer[0]) {
      case '1': state.source = state.source % 3 + 1; break;
      case '2': if (state.target_enabled) state.target = state.target % 2 + 1; break;
      case '3': state.mailboxes = !state.mailboxes; break;
      case '4': if (state.filters_enabled) state.filters = !state.filters; break;
      case '5': if (state.nicknames_enabled) state.nicknames = !state.nicknames; break;
      default: break;
    }
    ApplyOptionsRules(state);
  }
}

void ConsoleUserInterface::ShowProgress(bool visible) {
  UserInterface::ShowProgress(visible);
  if (visible)
    Redraw(true);
  else
    ClearStatus();
}

void ConsoleUserInterface::RunSummaryWindow(const std::string& summary, const SummaryLayout&) {
  if (!prompt_terminal_) return;
  ClearStatus();
  std::string text = summary;
  for (char& c : text)
    if (c == '\r') c = '\n';
  std::cerr << "\n" << text << "\n";
  std::string answer;
  AskLine("Press Return to finish. ", answer);
}

void ConsoleUserInterface::RunStartUpWindow(const std::string& version_line, const std::string& about_text) {
  std::cout << "Ferrolin " << version_line << "\n" << about_text << "\n";
  if (!footer_.empty()) std::cout << "\n" << footer_;
  std::cout << std::flush;
}

void ConsoleUserInterface::Turn() {
  if (TakeInterrupt()) pending_cancel_ = true;
  // Ctrl-C is the cancel button, which does something only while the run listens to it.
  if (pending_cancel_ && progress_.cancel.HasListeners()) {
    pending_cancel_ = false;
    progress_.cancel.Broadcast(kMessageCancel);
  }
  Redraw(false);
}

void ConsoleUserInterface::Redraw(bool force) {
  if (!status_terminal_ || !progress_.visible) return;
  uint32_t now = TickCount();
  if (!force && now - last_draw_ < 6) return;
  last_draw_ = now;
  std::string line = progress_.status.text;
  if (!progress_.file_name.text.empty()) line += "  " + progress_.file_name.text;
  if (!progress_.detail.text.empty()) line += "  " + progress_.detail.text;
  if (!progress_.bar.indeterminate && progress_.bar.maximum > progress_.bar.minimum) {
    long pct = 100L * (progress_.bar.value - progress_.bar.minimum) / (progress_.bar.maximum - progress_.bar.minimum);
    line.insert(0, "[" + std::to_string(pct) + "%] ");
  }
  std::cerr << "\r\033[K" << TruncateMiddle(line, 78) << std::flush;
  status_shown_ = true;
}

void ConsoleUserInterface::ClearStatus() {
  if (!status_shown_) return;
  std::cerr << "\r\033[K" << std::flush;
  status_shown_ = false;
}

}  // namespace platform
