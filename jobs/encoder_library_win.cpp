#include <windows.h>

#include "jobs/encoder_library.h"

namespace {

template <class T>
T Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool CEncoderBinding::LoadEncoder(int index) {
  if (index < 0 || index > 1) return false;
  HMODULE module = LoadLibraryA(kEncoderLibraryNames[index]);
  if (!module) return false;
  ENCODER_ENTRY_POINTS e;
  e.beInitStream = Lookup<BEINITSTREAM>(module, "beInitStream");
  e.beEncodeChunk = Lookup<BEENCODECHUNK>(module, "beEncodeChunk");
  e.beDeinitStream = Lookup<BEDEINITSTREAM>(module, "beDeinitStream");
  e.beCloseStream = Lookup<BECLOSESTREAM>(module, "beCloseStream");
  e.beVersion = Lookup<BEVERSION>(module, "beVersion");
  e.beWriteVBRHeader = Lookup<BEWRITEVBRHEADER>(module, "beWriteVBRHeader");
  if (!e.beInitStream || !e.beEncodeChunk || !e.beDeinitStream || !e.beCloseStream || !e.beVersion) {
    FreeLibrary(module);
    library_ = nullptr;
    entries_ = ENCODER_ENTRY_POINTS{};
    return false;
  }
  Adopt(module, e);
  return true;
}

void CEncoderBinding::Unload() {
  if (library_) FreeLibrary(static_cast<HMODULE>(library_));
  library_ = nullptr;
  entries_ = ENCODER_ENTRY_POINTS{};
}
