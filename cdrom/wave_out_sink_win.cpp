#include "cdrom/wave_out_sink_win.h"

#include <algorithm>
#include <cstring>

namespace {
// How long a write waits for the device to free a buffer before the
// samples are dropped: playback keeps time by the clock, not the device.
constexpr DWORD kFreeBufferWaitMs = 250;
}  // namespace

bool CWaveOutSink::Open() {
  if (device_) return true;
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  if (waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    device_ = nullptr;
    return false;
  }
  for (int i = 0; i < kBuffers; ++i) {
    memory_[i].assign(kBufferBytes, 0);
    headers_[i] = WAVEHDR{};
    headers_[i].lpData = memory_[i].data();
    headers_[i].dwBufferLength = static_cast<DWORD>(kBufferBytes);
    headers_[i].dwFlags = WHDR_DONE;  // free until first written
  }
  paused_ = false;
  return true;
}

void CWaveOutSink::Write(const uint8_t* samples, size_t bytes) {
  while (device_ && bytes > 0) {
    int index = FreeBuffer();
    if (index < 0) return;
    WAVEHDR& header = headers_[index];
    if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device_, &header, sizeof(header));
    size_t piece = std::min(bytes, kBufferBytes);
    std::memcpy(header.lpData, samples, piece);
    header.dwBufferLength = static_cast<DWORD>(piece);
    header.dwFlags = 0;
    if (waveOutPrepareHeader(device_, &header, sizeof(header)) != MMSYSERR_NOERROR ||
        waveOutWrite(device_, &header, sizeof(header)) != MMSYSERR_NOERROR) {
      header.dwFlags = WHDR_DONE;
      return;
    }
    samples += piece;
    bytes -= piece;
  }
}

int CWaveOutSink::FreeBuffer() {
  DWORD start = GetTickCount();
  for (;;) {
    for (int i = 0; i < kBuffers; ++i)
      if (headers_[i].dwFlags & WHDR_DONE) return i;
    // A paused device frees nothing; the samples wait no more than that.
    if (paused_ || GetTickCount() - start >= kFreeBufferWaitMs) return -1;
    Sleep(5);
  }
}

void CWaveOutSink::Pause() {
  if (device_) waveOutPause(device_);
  paused_ = true;
}

void CWaveOutSink::Resume() {
  if (device_) waveOutRestart(device_);
  paused_ = false;
}

void CWaveOutSink::Close() {
  if (!device_) return;
  waveOutReset(device_);
  for (WAVEHDR& header : headers_)
    if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device_, &header, sizeof(header));
  waveOutClose(device_);
  device_ = nullptr;
}
