#pragma once
// What the success panel does with a job's output files: hand them to an
// MP3 player, one launch per file, or append them to an M3U play list.
#include <functional>
#include <string>
#include <vector>

// The player to start and the text put before each file's path.
struct PLAYER_CHOICE {
  std::string player;      // "MP3Player", or the system's player
  std::string parameters;  // "MP3PlayerParameters"; empty with the system's player
};

enum class PLAY_RESULT {
  Played,        // the player was started once for every file
  NoPlayer,      // neither a configured nor a system player
  NoItems,       // the job left no output file
  LaunchFailed,  // the system refused to start the player
};

// The configured player unless it is blank; otherwise the system's player
// (findSystemPlayer, asked only then) without parameters.
PLAYER_CHOICE ChoosePlayer(const PLAYER_CHOICE& configured, const std::function<std::string()>& findSystemPlayer);

// The argument text for one file: the path in double quotes, after the
// parameters and one space when there are parameters.
std::string PlayerArguments(const std::string& parameters, const std::string& path);

// Starts the player for one file; false when the system could not.
using PlayerLauncher = std::function<bool(const std::string& player, const std::string& arguments)>;

// Starts the chosen player once per output, in order, and stops at the
// first launch that fails.
PLAY_RESULT PlayOutputs(const PLAYER_CHOICE& choice, const std::vector<std::string>& outputs,
                        const PlayerLauncher& launch);

// The M3U lines of the outputs: each path followed by one line feed.
std::string PlayListText(const std::vector<std::string>& outputs);

// Appends the outputs to the play list at path (a Windows path), creating
// it when absent. A list whose last line has no line feed gets one first,
// so its last entry and our first stay two entries. False on any file
// error, with the file possibly part written.
bool AppendPlayList(const std::string& path, const std::vector<std::string>& outputs);
