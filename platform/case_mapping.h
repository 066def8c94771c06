#pragma once
// The case-mapping seam: the system's mapping of the ANSI code page, which
// knows the letters beyond ASCII ("É" and "é").
#include <string>

std::string SystemUpperCase(std::string text);
std::string SystemLowerCase(std::string text);
