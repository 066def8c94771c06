#pragma once
// The main window's busy flag, held for the length of one command, dialog
// or job: a command that finds the flag set does nothing, and the flag
// clears on every way out of the command that set it.
class CBusyGuard {
 public:
  explicit CBusyGuard(bool& busy) : busy_(busy), held_(!busy) {
    if (held_) busy_ = true;
  }
  ~CBusyGuard() {
    if (held_) busy_ = false;
  }
  CBusyGuard(const CBusyGuard&) = delete;
  CBusyGuard& operator=(const CBusyGuard&) = delete;

  // False when something else held the flag already.
  bool Held() const { return held_; }

 private:
  bool& busy_;
  bool held_;
};
