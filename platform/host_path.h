#pragma once
// Host build only: the POSIX path a Windows path stands for, or an empty
// string when it names a drive that is not there.
#include <string>

std::string HostPath(const std::string& windowsPath);
