#pragma once
// The system's MP3 player: the open command registered for ".mp3", cleaned
// down to the player's path.
#include <string>

// Removes the argument placeholder, quotes and white space around the
// player's path: a trailing "%1" with its quotes, then trailing white
// space, then trailing quotes, then leading white space and quotes.
std::string CleanPlayerCommand(const std::string& command);
