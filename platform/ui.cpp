#include "platform/ui.h"

#include <algorithm>

namespace platform {

void Button::AddListener(Listener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void Button::RemoveListener(Listener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void Button::Broadcast(long message) {
  // A listener may stop listening while being told.
  std::vector<Listener*> copy = listeners_;
  for (Listener* l : copy) l->ListenToMessage(message, nullptr);
}

void ApplyOptionsRules(OptionsWindowState& state) {
  if (state.source == 3) {
    state.target = 1;
    state.target_enabled = false;
    state.filters = 0;
    state.nicknames = 0;
    state.filters_enabled = false;
    state.nicknames_enabled = false;
    return;
  }
  state.target_enabled = state.filters_enabled = state.nicknames_enabled = true;
  if (state.target == 2) {
    state.filters = 0;
    state.filters_enabled = false;
  }
}

SummaryLayout ComputeSummaryLayout(int lines, bool with_note) {
  SummaryLayout out;
  int extra = 0;
  if (with_note) {
    out.note_visible = true;
    out.note_left = 20;
    out.note_top = lines <= 6 ? 112 : lines * 14 + 20;
    extra = 54;
  }
  out.width = 320;
  out.height = std::max(lines * 14 + extra + 52, extra == 54 ? 202 : 144);
  return out;
}

void SilentUserInterface::Turn() {
  ++turns;
  if (cancel_at_turn != 0 && turns == cancel_at_turn) progress_.cancel.Broadcast(kMessageCancel);
}

}  // namespace platform
