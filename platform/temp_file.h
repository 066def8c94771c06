#pragma once
// Temporary files and the system's words for the last failure.
#include <string>

// The system's temporary folder, ending with a backslash.
std::string TemporaryFolder();
// Creates an empty, uniquely named file in the temporary folder whose name
// starts with prefix; returns its path, or "" on failure.
std::string CreateTemporaryFile(const std::string& prefix);
// The message text of the calling thread's last system error.
std::string LastSystemErrorText();
