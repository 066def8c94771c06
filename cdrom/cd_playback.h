#pragma once
// Plays a range of a disc's audio frames the way a drive's own playback
// does: by the clock, 75 frames a second, with pause and resume, feeding
// the frames to an audio sink a little ahead of the clock when there is
// one. Time never depends on the sink, so a device that plays fast, slow
// or not at all cannot move the position.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "cdrom/audio_sink.h"

class CCdPlayback {
 public:
  // Reads frames (2352 bytes each) starting at an LBA; false when they
  // cannot be read (they then play as silence).
  using FrameReader = std::function<bool(uint32_t lba, uint32_t frames, uint8_t* out)>;
  // How far ahead of the clock the sink is fed, and in what pieces.
  static constexpr uint32_t kLeadFrames = 30;
  static constexpr uint32_t kChunkFrames = 15;

  // sink may be null: then playback is by the clock alone.
  explicit CCdPlayback(std::unique_ptr<IAudioSink> sink);
  ~CCdPlayback();
  CCdPlayback(const CCdPlayback&) = delete;
  CCdPlayback& operator=(const CCdPlayback&) = delete;

  // Plays frames [from, to); a play while playing starts over.
  void Start(uint32_t from, uint32_t to, uint32_t now);
  void Pause(uint32_t now);
  void Resume(uint32_t now);
  // Stops where the clock stands; the position stays there.
  void Stop(uint32_t now);
  bool Playing() const { return state_ == State::Playing; }
  bool Paused() const { return state_ == State::Paused; }
  // The LBA being played (or where playback stopped); `rest` before any play.
  uint32_t Position(uint32_t now, uint32_t rest) const;
  // Feeds the sink up to the clock plus the lead. True when the clock has
  // passed the end: playback has then stopped at the end.
  bool Advance(uint32_t now, const FrameReader& read);

 private:
  enum class State { Idle, Playing, Paused, Stopped };
  uint32_t ClockPosition(uint32_t now) const;
  void Feed(uint32_t upTo, const FrameReader& read);
  void CloseSink();

  std::unique_ptr<IAudioSink> sink_;
  bool sinkOpen_ = false;
  State state_ = State::Idle;
  uint32_t from_ = 0;       // where the clock started counting
  uint32_t to_ = 0;         // end, exclusive
  uint32_t startTick_ = 0;  // tick count at from_
  uint32_t stoppedAt_ = 0;  // position while paused or stopped
  uint32_t fed_ = 0;        // next frame for the sink
  std::vector<uint8_t> buffer_;
};
