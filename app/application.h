#pragma once
// The application object: the single-instance rule, the exchange area and
// the main window's modal run.
#include <string>

// Runs the program with its command line (one string, never split) and
// returns the process exit code.
int RunApplication(const std::string& commandLine);
