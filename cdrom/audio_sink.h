#pragma once
// The audio seam of CD playback: where the samples of a playing disc go.
// On Windows it is the default wave-output device; a machine without one
// has no sink, and playback then keeps time by the clock alone.
#include <cstddef>
#include <cstdint>

class IAudioSink {
 public:
  virtual ~IAudioSink() = default;
  // Opens the device for CD audio: 44100 Hz, 16-bit, stereo. False when
  // there is no device to play on.
  virtual bool Open() = 0;
  // Queues whole frames of 2352 bytes; may drop them when the device is
  // far behind, never blocks for long.
  virtual void Write(const uint8_t* samples, size_t bytes) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Drops what is queued and closes the device.
  virtual void Close() = 0;
};
