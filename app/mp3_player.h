#pragma once
// The system's MP3 player: the open command registered for ".mp3", cleaned
// down to the player's path.
#include <string>

// The player's path in a registered open command: the quoted text when
// the command starts with a quote; otherwise the command less a trailing
// "%1" with its quotes, then trailing white space, then trailing quotes,
// then leading white space and quotes.
std::string CleanPlayerCommand(const std::string& command);
