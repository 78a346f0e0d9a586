// The windows the conversion run shows, reduced to their panes and behaviour, and the
// event loop's turn. Two implementations: a console one (cli) and a silent one for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Messages broadcast by buttons.
inline constexpr long kMessageOK = 900;
inline constexpr long kMessageCancel = 901;

class Listener {
 public:
  virtual ~Listener() = default;
  virtual void ListenToMessage(long message, void* param) = 0;
};

class Button {
 public:
  void AddListener(Listener* listener);
  void RemoveListener(Listener* listener);
  bool HasListeners() const { return !listeners_.empty(); }
  void Broadcast(long message);

 private:
  std::vector<Listener*> listeners_;
};

// A line of static text; truncate_middle asks the window to shorten it in the middle.
struct TextPane {
  std::string text;
  bool truncate_middle = false;
  void SetText(std::string value) { text = std::move(value); }
};

struct ProgressBar {
  bool indeterminate = true;
  int32_t minimum = 0;
  int32_t maximum = 100;
  int32_t value = 0;
  void SetIndeterminate(bool on) { indeterminate = on; }
  void SetMinMax(int32_t min, int32_t max) {
    minimum = min;
    maximum = max;
  }
  void SetValue(int32_t v) { value = v; }
};

// The progress window (128): status line, file and detail lines, bar, version, cancel.
struct ProgressWindow {
  TextPane status;     // 128001
  TextPane file_name;  // 128002
  TextPane detail;     // 128003
  ProgressBar bar;     // 128004
  TextPane version;    // 128005
  Button cancel;       // 128006, broadcasts kMessageCancel
  bool visible = false;
};

// The options window (131): its choices and which of them may be changed.
struct OptionsWindowState {
  int32_t source = 1;  // 131007: 1 Eudora, 2 Eudora (Japanese), 3 Mozilla/Thunderbird
  int32_t target = 1;  // 131003: 1 Apple Mail, 2 Thunderbird
  int32_t mailboxes = 1;  // 131002
  int32_t filters = 1;    // 131004
  int32_t nicknames = 1;  // 131005
  bool target_enabled = true;
  bool filters_enabled = true;
  bool nicknames_enabled = true;
};

// What the window allows after each change: a Mozilla source converts mailboxes into
// Apple Mail only; the Thunderbird target takes no filters.
void ApplyOptionsRules(OptionsWindowState& state);

// Placement of the summary window (130) and its note pane (130003).
struct SummaryLayout {
  bool note_visible = false;
  int note_left = 0;
  int note_top = 0;
  int width = 320;
  int height = 144;
};
// lines: the summary's line count; with_note: the note about Apple Mail's import is shown.
SummaryLayout ComputeSummaryLayout(int lines, bool with_note);

enum class Cursor { kArrow, kWatch };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The options window: shows the version text and the choices (all set to 1 on entry),
  // lets the user change them (ApplyOptionsRules after each change) and returns once the
  // user confirms.
  virtual void RunOptionsWindow(const std::string& version_text, OptionsWindowState& state) = 0;
  // The progress window; it lives as long as the interface.
  ProgressWindow& Progress() { return progress_; }
  virtual void ShowProgress(bool visible) { progress_.visible = visible; }
  // The summary window, until the user confirms it.
  virtual void RunSummaryWindow(const std::string& summary, const SummaryLayout& layout) = 0;
  // The start-up window of a launch without documents; returns when the user confirms it.
  virtual void RunStartUpWindow(const std::string& version_line, const std::string& about_text) = 0;
  // One turn of the event loop: redraw, and deliver what the user did meanwhile (the
  // cancel button broadcasts kMessageCancel to its listeners).
  virtual void Turn() = 0;
  virtual void SetCursor(Cursor) {}

 protected:
  ProgressWindow progress_;
};

// Shows nothing and never waits; a test can press the cancel button at a given turn.
class SilentUserInterface final : public UserInterface {
 public:
  void RunOptionsWindow(const std::string&, OptionsWindowState& state) override { ApplyOptionsRules(state); }
  void RunSummaryWindow(const std::string& summary, const SummaryLayout& layout) override {
    shown_summary = summary;
    shown_layout = layout;
  }
  void RunStartUpWindow(const std::string&, const std::string&) override {}
  void Turn() override;

  // The cancel button is pressed during turn number cancel_at_turn (counting from 1); 0 never.
  long cancel_at_turn = 0;
  long turns = 0;
  std::string shown_summary;
  SummaryLayout shown_layout;
};

}  // namespace platform
