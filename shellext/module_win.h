#pragma once
// The module's own state: its instance handle and the counts that tell
// DllCanUnloadNow whether anything of it is still in use.
#include <windows.h>

#include <string>

HINSTANCE ModuleInstance();
void ModuleAddRef();  // a live object or a server lock
void ModuleRelease();
LONG ModuleUseCount();
// A string of the module's string table ("" when missing).
std::string ModuleString(int id);
