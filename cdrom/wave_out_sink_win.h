#pragma once
// CD playback's audio sink on Windows: the default wave-output device
// (the wave mapper), fed from a small ring of buffers.
#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "cdrom/audio_sink.h"

class CWaveOutSink : public IAudioSink {
 public:
  CWaveOutSink() = default;
  ~CWaveOutSink() override { Close(); }
  CWaveOutSink(const CWaveOutSink&) = delete;
  CWaveOutSink& operator=(const CWaveOutSink&) = delete;

  bool Open() override;
  void Write(const uint8_t* samples, size_t bytes) override;
  void Pause() override;
  void Resume() override;
  void Close() override;

 private:
  static constexpr int kBuffers = 8;
  static constexpr size_t kBufferBytes = 15 * 2352;  // a fifth of a second
  // A buffer the device has finished with, or -1 after a short wait.
  int FreeBuffer();

  HWAVEOUT device_ = nullptr;
  WAVEHDR headers_[kBuffers] = {};
  std::vector<char> memory_[kBuffers];
  bool paused_ = false;
};
