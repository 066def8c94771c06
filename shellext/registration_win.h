#pragma once
// DllRegisterServer and DllUnregisterServer: the COM class with its ProgIDs
// and the shell's handler keys for the file types of ".cda", ".mp3" and
// ".wav" and for right-drags onto folders.
#include <windows.h>

HRESULT RegisterExtension();
HRESULT UnregisterExtension();
