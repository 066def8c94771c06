// CD playback as the main window's player drives it: the clock-kept
// playback of a frame range, the CD-audio service over the drive commands
// of a virtual drive (positions, track table, notifications, tray), and
// the player's play table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "cdrom/cd_audio_player.h"
#include "cdrom/cd_playback.h"
#include "cdrom/drive_cd_audio.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive.h"
#include "test_folders.h"

namespace {

constexpr size_t kFrame = 2352;

// What reaches the sink, and how often it was opened and closed.
struct SINK_RECORD {
  std::vector<uint8_t> samples;
  int opens = 0;
  int closes = 0;
  int pauses = 0;
  bool refuseOpen = false;
};

class CRecordingSink : public IAudioSink {
 public:
  explicit CRecordingSink(SINK_RECORD& record) : record_(record) {}
  bool Open() override {
    ++record_.opens;
    return !record_.refuseOpen;
  }
  void Write(const uint8_t* samples, size_t bytes) override {
    record_.samples.insert(record_.samples.end(), samples, samples + bytes);
  }
  void Pause() override { ++record_.pauses; }
  void Resume() override {}
  void Close() override { ++record_.closes; }

 private:
  SINK_RECORD& record_;
};

// Frames that carry their LBA in every sample, so order shows.
bool TaggedFrames(uint32_t lba, uint32_t frames, uint8_t* out) {
  for (uint32_t f = 0; f < frames; ++f) {
    uint8_t* frame = out + f * kFrame;
    for (size_t b = 0; b < kFrame; b += 4) {
      frame[b] = static_cast<uint8_t>(lba + f);
      frame[b + 1] = static_cast<uint8_t>((lba + f) >> 8);
      frame[b + 2] = 0x5A;
      frame[b + 3] = 0xA5;
    }
  }
  return true;
}

uint32_t TagOf(const std::vector<uint8_t>& samples, size_t frame) {
  return samples[frame * kFrame] | samples[frame * kFrame + 1] << 8;
}

}  // namespace

// ---------------------------------------------------------------------------
// The clock-kept playback

TEST(CdPlayback, TheClockKeepsThePositionThroughPauseAndEndsThePlay) {
  CCdPlayback playback(nullptr);
  EXPECT_EQ(playback.Position(0, 33), 33u);  // before any play: where the caller says
  playback.Start(100, 400, 1000);
  EXPECT_EQ(playback.Position(2000, 0), 175u);
  playback.Pause(2000);
  EXPECT_TRUE(playback.Paused());
  EXPECT_EQ(playback.Position(9000, 0), 175u);
  EXPECT_FALSE(playback.Advance(9000, TaggedFrames));
  playback.Resume(9000);
  EXPECT_EQ(playback.Position(10000, 0), 250u);
  EXPECT_FALSE(playback.Advance(10000 + 1999, TaggedFrames));  // frame 399.9...
  EXPECT_TRUE(playback.Advance(10000 + 2000, TaggedFrames));
  EXPECT_FALSE(playback.Playing());
  EXPECT_EQ(playback.Position(99999, 0), 400u);
  EXPECT_FALSE(playback.Advance(99999, TaggedFrames));  // the end is told once
}

TEST(CdPlayback, TheClockSurvivesTheTickCountWrapping) {
  CCdPlayback playback(nullptr);
  playback.Start(0, 1000, 0xFFFFFF00u);
  EXPECT_EQ(playback.Position(0xFFFFFF00u + 1000, 0), 75u);
  EXPECT_EQ(playback.Position(1000 - 256, 0), 75u);  // past the wrap
}

TEST(CdPlayback, TheSinkGetsEveryFrameOnceInOrderALittleAheadOfTheClock) {
  SINK_RECORD record;
  CCdPlayback playback(std::make_unique<CRecordingSink>(record));
  playback.Start(10, 100, 0);
  EXPECT_FALSE(playback.Advance(0, TaggedFrames));
  size_t ahead = record.samples.size() / kFrame;
  EXPECT_GE(ahead, CCdPlayback::kLeadFrames);
  EXPECT_LE(ahead, CCdPlayback::kLeadFrames + CCdPlayback::kChunkFrames);
  for (uint32_t now = 20; now <= 1200; now += 20) playback.Advance(now, TaggedFrames);
  ASSERT_EQ(record.samples.size(), 90 * kFrame);
  for (size_t f = 0; f < 90; ++f) ASSERT_EQ(TagOf(record.samples, f), 10 + f) << f;
  EXPECT_EQ(record.opens, 1);
  EXPECT_EQ(record.closes, 1);
}

TEST(CdPlayback, UnreadableFramesPlayAsSilenceAndARefusedSinkLeavesTheClock) {
  SINK_RECORD record;
  CCdPlayback playback(std::make_unique<CRecordingSink>(record));
  auto failing = [](uint32_t lba, uint32_t frames, uint8_t* out) {
    TaggedFrames(lba, frames, out);
    return lba >= 15;  // the first chunk cannot be read
  };
  playback.Start(0, 45, 0);
  playback.Advance(0, failing);
  ASSERT_GE(record.samples.size(), 30 * kFrame);
  EXPECT_EQ(std::count(record.samples.begin(), record.samples.begin() + 15 * kFrame, 0), 15 * kFrame);
  EXPECT_EQ(TagOf(record.samples, 15), 15u);

  SINK_RECORD refused;
  refused.refuseOpen = true;
  CCdPlayback clockOnly(std::make_unique<CRecordingSink>(refused));
  clockOnly.Start(0, 75, 0);
  EXPECT_FALSE(clockOnly.Advance(500, TaggedFrames));
  EXPECT_TRUE(clockOnly.Advance(1000, TaggedFrames));
  EXPECT_TRUE(refused.samples.empty());
  EXPECT_EQ(refused.closes, 0);  // never opened, never closed
}

TEST(CdPlayback, APlayOverAPlayStartsTheSinkAfresh) {
  SINK_RECORD record;
  CCdPlayback playback(std::make_unique<CRecordingSink>(record));
  playback.Start(0, 1000, 0);
  playback.Advance(0, TaggedFrames);
  playback.Start(500, 1000, 100);
  EXPECT_EQ(record.opens, 2);
  EXPECT_EQ(record.closes, 1);
  record.samples.clear();
  playback.Advance(100, TaggedFrames);
  EXPECT_EQ(TagOf(record.samples, 0), 500u);
  playback.Pause(200);
  EXPECT_EQ(record.pauses, 1);
  playback.Stop(300);
  EXPECT_EQ(record.closes, 2);
  EXPECT_EQ(playback.Position(5000, 0), 507u);  // stopped where the pause was
}

// ---------------------------------------------------------------------------
// The service over a virtual drive, and the player

namespace {

// Track 1: 300 frames (4 s); track 2: 6400 frames (85.33 s); track 3 is data.
DISC_IMAGE_LAYOUT PlaybackLayout() {
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK audio;
  audio.content = TrackContent::Pattern;
  audio.frames = 300;
  layout.tracks.push_back(audio);
  audio.frames = 6400;
  layout.tracks.push_back(audio);
  IMAGE_TRACK data;
  data.content = TrackContent::Data;
  data.frames = 150;
  layout.tracks.push_back(data);
  return layout;
}

struct NOTIFICATION {
  uintptr_t window;
  uint32_t code;
  CdAudioDevice device;
};

class DriveCdAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string folder = MakeTestFolder("cd-playback");
    cue_ = folder + "disc.cue";
    std::string error;
    ASSERT_TRUE(WriteDiscImage(PlaybackLayout(), cue_, error)) << error;
    std::vector<VIRTUAL_DRIVE_CONFIG> drives;
    ASSERT_TRUE(ParseVirtualDrives("V=" + cue_, drives, error)) << error;
    io_ = std::make_unique<CVirtualDeviceIo>(nullptr, drives);
    DRIVE_PLAYBACK_HOOKS hooks;
    hooks.makeSink = [this] { return std::make_unique<CRecordingSink>(sink_); };
    hooks.notify = [this](uintptr_t window, uint32_t code, CdAudioDevice device) {
      notifications_.push_back({window, code, device});
    };
    hooks.clock = [this] { return now_; };
    service_ = std::make_unique<CDriveCdAudioService>(*io_, 1000, hooks);
    player_ = std::make_unique<CCdAudioPlayer>(*service_);
    player_->SetNotificationWindow(77);
    ASSERT_TRUE(player_->Open('V' - 'A'));
  }
  void TearDown() override { InsertVirtualMedium(cue_); }

  // Moves the clock on in the clock thread's steps.
  void RunFor(uint32_t milliseconds) {
    for (uint32_t end = now_ + milliseconds; now_ < end;) {
      now_ = std::min(end, now_ + 20);
      service_->Tick();
    }
  }

  std::string cue_;
  std::unique_ptr<CVirtualDeviceIo> io_;
  SINK_RECORD sink_;
  std::vector<NOTIFICATION> notifications_;
  uint32_t now_ = 5000;
  std::unique_ptr<CDriveCdAudioService> service_;
  std::unique_ptr<CCdAudioPlayer> player_;
};

}  // namespace

TEST_F(DriveCdAudioTest, ThePlayTableListsEveryTrackAndMarksTheDataTrack) {
  ASSERT_TRUE(player_->ReadPlayTable());
  const CD_PLAY_TABLE& table = player_->PlayTable();
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.entries[0].start, PackTmsf(1, 0, 0, 0));
  EXPECT_EQ(table.entries[0].length, PackMsf(0, 4, 0));
  EXPECT_EQ(table.entries[1].length, PackMsf(1, 25, 25));
  EXPECT_EQ(EntryLengthSeconds(table.entries[1]), 85);
  EXPECT_TRUE(table.entries[0].audio);
  EXPECT_TRUE(table.entries[1].audio);
  EXPECT_FALSE(table.entries[2].audio);
}

TEST_F(DriveCdAudioTest, ASeekPlaysTheTrackFromItsSecondAndFrame) {
  ASSERT_TRUE(player_->ReadPlayTable());
  uint32_t length = player_->PlayTable().entries[1].length;
  ASSERT_TRUE(player_->Play(PackTmsf(2, 1, 23, 40), PackTmsf(2, MsfMinute(length), MsfSecond(length), 24)));
  service_->Tick();
  ASSERT_GE(sink_.samples.size(), 10 * kFrame);
  std::vector<uint8_t> expected(10 * kFrame);
  RenderTrackFrames(PlaybackLayout().tracks[1], 2, 83 * 75 + 40, 300 + 83 * 75 + 40, 10, expected.data());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sink_.samples.begin()));
  RunFor(1000);
  uint32_t position = 0;
  ASSERT_TRUE(player_->Position(position));
  EXPECT_EQ(position, PackTmsf(2, 1, 24, 40));
}

TEST_F(DriveCdAudioTest, APlayTellsItsEndOnceAndAStopOrANewPlayTellsTheAbort) {
  ASSERT_TRUE(player_->PlayTrack(1));
  RunFor(3900);
  EXPECT_TRUE(notifications_.empty());
  RunFor(200);
  ASSERT_EQ(notifications_.size(), 1u);
  EXPECT_EQ(notifications_[0].window, 77u);
  EXPECT_EQ(notifications_[0].code, mci::kNotifySuccessful);
  EXPECT_EQ(notifications_[0].device, player_->Device());
  RunFor(1000);
  EXPECT_EQ(notifications_.size(), 1u);

  ASSERT_TRUE(player_->PlayTrack(2));
  ASSERT_TRUE(player_->PlayTrack(1));
  ASSERT_TRUE(player_->Stop());
  ASSERT_EQ(notifications_.size(), 3u);
  EXPECT_EQ(notifications_[1].code, mci::kNotifySuperseded);
  EXPECT_EQ(notifications_[2].code, mci::kNotifyAborted);
  ASSERT_TRUE(player_->Stop());  // nothing left to tell
  EXPECT_EQ(notifications_.size(), 3u);
}

TEST_F(DriveCdAudioTest, APauseHoldsThePositionAndTheEndIsStillTold) {
  ASSERT_TRUE(player_->PlayTrack(1));
  RunFor(1000);
  ASSERT_TRUE(player_->Pause());
  RunFor(5000);
  uint32_t position = 0;
  ASSERT_TRUE(player_->Position(position));
  EXPECT_EQ(position, PackTmsf(1, 0, 1, 0));
  EXPECT_TRUE(notifications_.empty());
  ASSERT_TRUE(player_->Resume());
  RunFor(3100);
  ASSERT_EQ(notifications_.size(), 1u);
  EXPECT_EQ(notifications_[0].code, mci::kNotifySuccessful);
}

TEST_F(DriveCdAudioTest, TheDataTrackAndPositionsOffTheDiscAreRefused) {
  EXPECT_FALSE(player_->Play(PackTmsf(3, 0, 0, 0), PackTmsf(3, 0, 2, 0)));
  EXPECT_EQ(player_->LastError(), mci::kHardware);
  EXPECT_FALSE(player_->PlayTrack(4));
  EXPECT_EQ(player_->LastError(), mci::kOutOfRange);
  EXPECT_FALSE(player_->SetTimeFormat(3));
  EXPECT_EQ(player_->LastError(), mci::kBadTimeFormat);
  EXPECT_TRUE(sink_.samples.empty());
}

TEST_F(DriveCdAudioTest, TheTrayMovesByTheEjectFileAndReadyFollowsTheMedium) {
  bool ready = false;
  ASSERT_TRUE(player_->Ready(ready));
  EXPECT_TRUE(ready);
  ASSERT_TRUE(player_->DoorOpen());
  EXPECT_TRUE(std::filesystem::exists(HostFolder(EjectFilePath(cue_))));
  io_->PollMedia();
  ASSERT_TRUE(player_->Ready(ready));
  EXPECT_FALSE(ready);
  uint32_t tracks = 0;
  EXPECT_NE(service_->Status(player_->Device(), mci::kStatusNumberOfTracks, 0, tracks), 0u);
  ASSERT_TRUE(player_->DoorClosed());
  EXPECT_FALSE(std::filesystem::exists(HostFolder(EjectFilePath(cue_))));
  io_->PollMedia();
  ASSERT_TRUE(player_->Ready(ready));
  EXPECT_TRUE(ready);
  EXPECT_TRUE(player_->ReadPlayTable());
}

TEST_F(DriveCdAudioTest, UnknownDrivesAndClosedDevicesAreRefused) {
  CCdAudioPlayer other(*service_);
  EXPECT_FALSE(other.Open('Q' - 'A'));
  EXPECT_EQ(other.LastError(), mci::kInvalidDeviceName);
  EXPECT_EQ(other.Device(), 0u);
  std::string error;
  EXPECT_EQ(OpenCdAudio(*service_, 'Q', error), 0u);
  EXPECT_FALSE(error.empty());

  CdAudioDevice device = player_->Device();
  ASSERT_TRUE(player_->Close());
  EXPECT_EQ(player_->Device(), 0u);
  EXPECT_FALSE(service_->Owns(device));
  uint32_t value = 0;
  EXPECT_EQ(service_->Status(device, mci::kStatusReady, 0, value), mci::kInvalidDeviceId);
  EXPECT_EQ(service_->Play(device, PackTmsf(1, 0, 0, 0), PackTmsf(1, 0, 1, 0), 77), mci::kInvalidDeviceId);
}
