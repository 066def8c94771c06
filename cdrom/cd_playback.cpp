#include "cdrom/cd_playback.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kFramesPerSecond = 75;
constexpr size_t kFrameBytes = 2352;
}  // namespace

CCdPlayback::CCdPlayback(std::unique_ptr<IAudioSink> sink) : sink_(std::move(sink)) {}

CCdPlayback::~CCdPlayback() { CloseSink(); }

void CCdPlayback::Start(uint32_t from, uint32_t to, uint32_t now) {
  // A fresh device for every play: nothing queued for the old position
  // is heard at the new one.
  CloseSink();
  if (sink_) sinkOpen_ = sink_->Open();
  state_ = State::Playing;
  from_ = from;
  to_ = std::max(from, to);
  startTick_ = now;
  fed_ = from;
}

void CCdPlayback::Pause(uint32_t now) {
  if (state_ != State::Playing) return;
  stoppedAt_ = ClockPosition(now);
  state_ = State::Paused;
  if (sinkOpen_) sink_->Pause();
}

void CCdPlayback::Resume(uint32_t now) {
  if (state_ != State::Paused) return;
  from_ = stoppedAt_;
  startTick_ = now;
  state_ = State::Playing;
  if (sinkOpen_) sink_->Resume();
}

void CCdPlayback::Stop(uint32_t now) {
  if (state_ == State::Playing) stoppedAt_ = ClockPosition(now);
  if (state_ != State::Idle) state_ = State::Stopped;
  CloseSink();
}

uint32_t CCdPlayback::Position(uint32_t now, uint32_t rest) const {
  switch (state_) {
    case State::Idle: return rest;
    case State::Playing: return ClockPosition(now);
    default: return stoppedAt_;
  }
}

bool CCdPlayback::Advance(uint32_t now, const FrameReader& read) {
  if (state_ != State::Playing) return false;
  uint32_t position = ClockPosition(now);
  if (sinkOpen_) Feed(std::min(to_, position + kLeadFrames), read);
  if (position < to_) return false;
  stoppedAt_ = to_;
  state_ = State::Stopped;
  CloseSink();
  return true;
}

uint32_t CCdPlayback::ClockPosition(uint32_t now) const {
  // Unsigned subtraction keeps working across the tick count's wrap.
  uint64_t frames = uint64_t{now - startTick_} * kFramesPerSecond / 1000;
  return static_cast<uint32_t>(std::min<uint64_t>(to_, from_ + frames));
}

void CCdPlayback::Feed(uint32_t upTo, const FrameReader& read) {
  while (fed_ < upTo) {
    uint32_t frames = std::min(kChunkFrames, to_ - fed_);
    buffer_.resize(frames * kFrameBytes);
    // A frame that cannot be read plays as silence, as a drive plays on.
    if (!read || !read(fed_, frames, buffer_.data())) std::memset(buffer_.data(), 0, buffer_.size());
    sink_->Write(buffer_.data(), buffer_.size());
    fed_ += frames;
  }
}

void CCdPlayback::CloseSink() {
  if (sinkOpen_) sink_->Close();
  sinkOpen_ = false;
}
