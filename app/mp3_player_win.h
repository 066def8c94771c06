#pragma once
#include <string>

// The player registered for ".mp3", or an empty text.
std::string FindSystemMp3Player();
