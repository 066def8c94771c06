#pragma once
// The system's MP3 player: the open command registered for ".mp3", cleaned
// down to the player's path.
#include <string>

// Removes the argument placeholder, quotes and white space around the
// player's path: trailing '"', '%' and '1', then trailing white space, then
// trailing quotes, then leading quotes, then leading white space.
std::string CleanPlayerCommand(const std::string& command);
