#pragma once
// Keeps the shell from starting its audio-CD AutoPlay verb while the
// program runs: the default verb under HKEY_CLASSES_ROOT\AudioCD\Shell is
// emptied at start-up and written back at exit.
#include <string>

class CAutoPlay {
 public:
  // Saves the current verb ("Play" when it cannot be read) and, when
  // disable is set and it could be read, writes the empty verb.
  void SuppressAtStart(bool disable);
  // After the options dialog: empty verb or the saved one.
  void Apply(bool disable);
  // At exit: the saved verb, if start-up got as far as saving it; a run
  // that stopped early must not overwrite a verb it never read.
  void Restore();
  const std::string& SavedVerb() const { return savedVerb_; }

 private:
  std::string savedVerb_ = "Play";
  bool started_ = false;
};

inline constexpr const char* kAutoPlayKey = "AudioCD\\Shell";
