// A stand-in encoder library that damages what the real one makes, so tests
// can prove that MP3 verification notices. It forwards every BladeEnc call
// to the library named by CANTARO_DAMAGE_LIBRARY (the real LAME_ENC.DLL)
// and then does what CANTARO_DAMAGE says:
//   dropframe=K    the K-th MPEG frame of the stream (from 1) is left out
//   silence=right  the right channel's samples are zeroed before encoding
//   silence=left   the same for the left channel
// Built as bin/fakes/damaging/LAME_ENC.DLL and BLADEENC.DLL. Never shipped.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using InitFn = uint32_t(__cdecl*)(void*, uint32_t*, uint32_t*, uint32_t*);
using ChunkFn = uint32_t(__cdecl*)(uint32_t, uint32_t, const int16_t*, uint8_t*, uint32_t*);
using DeinitFn = uint32_t(__cdecl*)(uint32_t, uint8_t*, uint32_t*);
using CloseFn = uint32_t(__cdecl*)(uint32_t);
using VersionFn = void(__cdecl*)(void*);
using VbrFn = uint32_t(__cdecl*)(const char*);

constexpr uint32_t kFailure = 1;

struct Real {
  HMODULE module = nullptr;
  InitFn init = nullptr;
  ChunkFn chunk = nullptr;
  DeinitFn deinit = nullptr;
  CloseFn close = nullptr;
  VersionFn version = nullptr;
  VbrFn vbr = nullptr;
} real;

uint32_t dropFrame = 0;  // 0: none
int silentChannel = -1;  // 0 left, 1 right
uint32_t framesSeen = 0;
std::vector<uint8_t> pending;  // output bytes not yet known to be whole frames

std::string Environment(const char* name) {
  char value[1024];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return n > 0 && n < sizeof(value) ? std::string(value, n) : std::string();
}

bool Bind() {
  if (real.module) return true;
  real.module = LoadLibraryA(Environment("CANTARO_DAMAGE_LIBRARY").c_str());
  if (!real.module) return false;
  auto find = [](const char* name) { return reinterpret_cast<void*>(GetProcAddress(real.module, name)); };
  real.init = reinterpret_cast<InitFn>(find("beInitStream"));
  real.chunk = reinterpret_cast<ChunkFn>(find("beEncodeChunk"));
  real.deinit = reinterpret_cast<DeinitFn>(find("beDeinitStream"));
  real.close = reinterpret_cast<CloseFn>(find("beCloseStream"));
  real.version = reinterpret_cast<VersionFn>(find("beVersion"));
  real.vbr = reinterpret_cast<VbrFn>(find("beWriteVBRHeader"));
  return real.init && real.chunk && real.deinit && real.close && real.version;
}

void ReadDamage() {
  std::string text = Environment("CANTARO_DAMAGE");
  dropFrame = 0;
  silentChannel = -1;
  if (text.rfind("dropframe=", 0) == 0) dropFrame = static_cast<uint32_t>(strtoul(text.c_str() + 10, nullptr, 10));
  if (text == "silence=left") silentChannel = 0;
  if (text == "silence=right") silentChannel = 1;
}

// The length of the Layer III frame whose header starts at p, or 0.
size_t FrameLength(const uint8_t* p) {
  static const int kMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static const int kRates[4] = {44100, 48000, 32000, 0};
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || (p[1] & 0x06) != 0x02) return 0;
  int version = (p[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5
  int kbit = (version == 3 ? kMpeg1 : kMpeg2)[p[2] >> 4];
  int rate = kRates[(p[2] >> 2) & 3];
  if (!kbit || !rate || version == 1) return 0;
  if (version == 2) rate /= 2;
  if (version == 0) rate /= 4;
  int padding = (p[2] >> 1) & 1;
  return static_cast<size_t>((version == 3 ? 144000 : 72000) * kbit / rate + padding);
}

// Passes on the whole frames of pending (all of it at the end), leaving
// out the frame to drop.
uint32_t Emit(uint8_t* output, bool end) {
  size_t at = 0, written = 0;
  while (at + 4 <= pending.size()) {
    size_t length = FrameLength(pending.data() + at);
    if (length == 0 || at + length > pending.size()) break;
    if (++framesSeen != dropFrame) {
      std::memcpy(output + written, pending.data() + at, length);
      written += length;
    }
    at += length;
  }
  if (end) {
    std::memcpy(output + written, pending.data() + at, pending.size() - at);
    written += pending.size() - at;
    at = pending.size();
  }
  pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at));
  return static_cast<uint32_t>(written);
}

}  // namespace

extern "C" {

__declspec(dllexport) uint32_t
    __cdecl beInitStream(void* config, uint32_t* samples, uint32_t* bufferSize, uint32_t* stream) {
  if (!Bind()) return kFailure;
  ReadDamage();
  framesSeen = 0;
  pending.clear();
  uint32_t error = real.init(config, samples, bufferSize, stream);
  // Room for what a chunk makes and what waits from the one before.
  if (error == 0) *bufferSize *= 2;
  return error;
}

__declspec(dllexport) uint32_t
    __cdecl beEncodeChunk(uint32_t stream, uint32_t samples, const int16_t* pcm, uint8_t* output, uint32_t* produced) {
  std::vector<int16_t> copy(pcm, pcm + samples);
  if (silentChannel >= 0)
    for (size_t i = static_cast<size_t>(silentChannel); i < copy.size(); i += 2) copy[i] = 0;
  uint32_t made = 0;
  uint32_t error = real.chunk(stream, samples, copy.data(), output, &made);
  *produced = 0;
  if (error) return error;
  pending.insert(pending.end(), output, output + made);
  *produced = Emit(output, false);
  return 0;
}

__declspec(dllexport) uint32_t __cdecl beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* produced) {
  uint32_t made = 0;
  uint32_t error = real.deinit(stream, output, &made);
  *produced = 0;
  if (error) return error;
  pending.insert(pending.end(), output, output + made);
  *produced = Emit(output, true);
  return 0;
}

__declspec(dllexport) uint32_t __cdecl beCloseStream(uint32_t stream) {
  return real.close ? real.close(stream) : kFailure;
}

__declspec(dllexport) void __cdecl beVersion(void* version) {
  if (Bind()) real.version(version);
}

__declspec(dllexport) uint32_t __cdecl beWriteVBRHeader(const char* mp3Path) {
  return real.vbr ? real.vbr(mp3Path) : kFailure;
}

}  // extern "C"
