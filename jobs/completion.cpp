#include "jobs/completion.h"

#include "platform/file.h"
#include "platform/text.h"

PLAYER_CHOICE ChoosePlayer(const PLAYER_CHOICE& configured, const std::function<std::string()>& findSystemPlayer) {
  std::string player = TrimRight(configured.player);
  if (!player.empty()) return {player, configured.parameters};
  return {findSystemPlayer ? findSystemPlayer() : std::string(), std::string()};
}

std::string PlayerArguments(const std::string& parameters, const std::string& path) {
  std::string quoted = "\"" + path + "\"";
  return parameters.empty() ? quoted : parameters + " " + quoted;
}

PLAY_RESULT PlayOutputs(const PLAYER_CHOICE& choice, const std::vector<std::string>& outputs,
                        const PlayerLauncher& launch) {
  if (choice.player.empty()) return PLAY_RESULT::NoPlayer;
  if (outputs.empty()) return PLAY_RESULT::NoItems;
  for (const std::string& path : outputs) {
    if (!launch(choice.player, PlayerArguments(choice.parameters, path))) return PLAY_RESULT::LaunchFailed;
  }
  return PLAY_RESULT::Played;
}

std::string PlayListText(const std::vector<std::string>& outputs) {
  std::string text;
  for (const std::string& path : outputs) text += path + "\n";
  return text;
}

namespace {

// Whether the file's last byte, if it has one, ends a line.
bool EndsWithLineFeed(CFile& file, int64_t size, bool& endsLine) {
  endsLine = true;
  if (size <= 0) return true;
  char last = 0;
  if (!file.Seek(size - 1) || file.Read(&last, 1) != 1) return false;
  endsLine = last == '\n';
  return true;
}

}  // namespace

bool AppendPlayList(const std::string& path, const std::vector<std::string>& outputs) {
  CFile file;
  if (!file.Open(path, CFile::Mode::ReadWrite)) {
    // A list that exists but cannot be written (read-only, locked) is left
    // alone: creating it anew would empty it.
    if (file.Open(path, CFile::Mode::Read) || !file.Open(path, CFile::Mode::Create)) return false;
  }
  int64_t size = file.Size();
  bool endsLine = true;
  if (size < 0 || !EndsWithLineFeed(file, size, endsLine) || !file.Seek(size)) return false;
  std::string text = (endsLine ? std::string() : std::string("\n")) + PlayListText(outputs);
  return file.Write(text.data(), text.size()) == text.size();
}
