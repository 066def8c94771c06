// A stand-in encoder library for failure tests: the BladeEnc entry points
// with no MP3 inside. It fails on demand and leaves a trace that tests can
// read back. Never shipped; the real library is LAME_ENC.DLL.
//
// Built in several variants (see CMakeLists.txt), each as LAME_ENC.DLL and
// BLADEENC.DLL in its own folder under bin/fakes/:
//   no_version     lacks beVersion, so the binding must refuse it
//   no_vbr_header  lacks only the optional beWriteVBRHeader
//   scripted       all six entry points
//
// CANTARO_FAKE_ENCODER (read by every beInitStream and beWriteVBRHeader)
// holds comma-separated items:
//   init=N     beInitStream returns error N and opens no stream
//   chunk=K    the K-th beEncodeChunk of a stream (from 1) returns error 1
//   deinit     beDeinitStream returns error 1
//   vbr        beWriteVBRHeader returns error 1 and leaves the file alone
//   samples=S  samples per chunk that beInitStream asks for (default 2304)
//   buffer=B   output buffer size that beInitStream asks for (default 4096)
// CANTARO_FAKE_ENCODER_LOG, when set, names a file to which every call
// appends one line, e.g. "beEncodeChunk 1 2304 sum 5" (stream, samples and
// the 32-bit wrapping sum of the samples fed) or "beCloseStream 1 invalid".
//
// Output: each chunk produces "CHNK" and the chunk's sample count (32-bit
// little-endian), beDeinitStream "DONE"; beWriteVBRHeader overwrites the
// file's first four bytes with "VBRH".
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace {

constexpr uint32_t kInvalidHandle = 4;  // BE_ERR_INVALID_HANDLE
constexpr uint32_t kFailure = 1;

struct Script {
  uint32_t initError = 0;
  uint32_t failingChunk = 0;
  bool failDeinit = false;
  bool failVbr = false;
  uint32_t samples = 2304;
  uint32_t buffer = 4096;
};

std::mutex lock;
std::set<uint32_t> openStreams;
uint32_t nextStream = 1;
uint32_t chunksInStream = 0;
Script script;

std::string Environment(const char* name) {
  char value[1024];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return n > 0 && n < sizeof(value) ? std::string(value, n) : std::string();
}

Script ReadScript() {
  Script s;
  std::string text = Environment("CANTARO_FAKE_ENCODER");
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    size_t eq = item.find('=');
    std::string name = item.substr(0, eq);
    uint32_t value = eq == std::string::npos ? 0 : static_cast<uint32_t>(strtoul(item.c_str() + eq + 1, nullptr, 10));
    if (name == "init") s.initError = value ? value : kFailure;
    if (name == "chunk") s.failingChunk = value;
    if (name == "deinit") s.failDeinit = true;
    if (name == "vbr") s.failVbr = true;
    if (name == "samples" && value) s.samples = value;
    if (name == "buffer" && value >= 8) s.buffer = value;
    start = end + 1;
  }
  return s;
}

void Log(const std::string& line) {
  std::string path = Environment("CANTARO_FAKE_ENCODER_LOG");
  if (path.empty()) return;
  if (FILE* f = fopen(path.c_str(), "ab")) {
    fprintf(f, "%s\n", line.c_str());
    fclose(f);
  }
}

void Put(uint8_t* out, const char* tag, uint32_t* produced) {
  memcpy(out, tag, 4);
  *produced = 4;
}

}  // namespace

extern "C" {

__declspec(dllexport) uint32_t
    __cdecl beInitStream(void* config, uint32_t* samples, uint32_t* bufferSize, uint32_t* stream) {
  std::lock_guard<std::mutex> guard(lock);
  script = ReadScript();
  uint32_t dwConfig = 0xFFFFFFFF;
  if (config) memcpy(&dwConfig, config, 4);
  if (script.initError) {
    Log("beInitStream failed " + std::to_string(script.initError));
    return script.initError;
  }
  *samples = script.samples;
  *bufferSize = script.buffer;
  *stream = nextStream++;
  openStreams.insert(*stream);
  chunksInStream = 0;
  Log("beInitStream " + std::to_string(*stream) + " config " + std::to_string(dwConfig));
  return 0;
}

__declspec(dllexport) uint32_t
    __cdecl beEncodeChunk(uint32_t stream, uint32_t samples, const int16_t* pcm, uint8_t* output, uint32_t* produced) {
  std::lock_guard<std::mutex> guard(lock);
  *produced = 0;
  if (!openStreams.count(stream)) {
    Log("beEncodeChunk " + std::to_string(stream) + " invalid");
    return kInvalidHandle;
  }
  ++chunksInStream;
  uint32_t sum = 0;
  for (uint32_t i = 0; i < samples; ++i) sum += static_cast<uint32_t>(static_cast<int32_t>(pcm[i]));
  Log("beEncodeChunk " + std::to_string(stream) + " " + std::to_string(samples) + " sum " + std::to_string(sum));
  if (chunksInStream == script.failingChunk) return kFailure;
  Put(output, "CHNK", produced);
  memcpy(output + 4, &samples, 4);
  *produced = 8;
  return 0;
}

__declspec(dllexport) uint32_t __cdecl beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* produced) {
  std::lock_guard<std::mutex> guard(lock);
  *produced = 0;
  if (!openStreams.count(stream)) {
    Log("beDeinitStream " + std::to_string(stream) + " invalid");
    return kInvalidHandle;
  }
  Log("beDeinitStream " + std::to_string(stream));
  if (script.failDeinit) return kFailure;
  Put(output, "DONE", produced);
  return 0;
}

__declspec(dllexport) uint32_t __cdecl beCloseStream(uint32_t stream) {
  std::lock_guard<std::mutex> guard(lock);
  bool open = openStreams.erase(stream) > 0;
  Log("beCloseStream " + std::to_string(stream) + (open ? "" : " invalid"));
  return open ? 0 : kInvalidHandle;
}

#if !defined(FAKE_ENCODER_WITHOUT_VERSION)
__declspec(dllexport) void __cdecl beVersion(void* version) {
  // The 265-byte version record: DLL 9.9, engine 0.1, 1 January 2000.
  uint8_t record[265] = {9, 9, 0, 1, 1, 1, 0xD0, 0x07};
  strcpy(reinterpret_cast<char*>(record + 8), "fake encoder for tests");
  memcpy(version, record, sizeof(record));
  Log("beVersion");
}
#endif

#if !defined(FAKE_ENCODER_WITHOUT_VBR_HEADER)
__declspec(dllexport) uint32_t __cdecl beWriteVBRHeader(const char* mp3Path) {
  std::lock_guard<std::mutex> guard(lock);
  Log(std::string("beWriteVBRHeader ") + mp3Path);
  if (ReadScript().failVbr) return kFailure;
  FILE* f = fopen(mp3Path, "r+b");
  if (!f) return kFailure;
  bool ok = fwrite("VBRH", 1, 4, f) == 4;
  fclose(f);
  return ok ? 0 : kFailure;
}
#endif

}  // extern "C"
