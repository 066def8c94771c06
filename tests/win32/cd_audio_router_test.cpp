// The program's CD-audio service in a Win32 process: virtual drives are
// served through their drive commands, everything else goes to MCI, and
// the end of a play reaches a real window as MM_MCINOTIFY.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include "cdrom/cd_audio_player.h"
#include "cdrom/cd_audio_service_win.h"
#include "cdrom/device_io_win.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/virtual/virtual_drive_win.h"
#include "tests/core/test_folders.h"

namespace {

// Waits for MM_MCINOTIFY to the window, answering everything else.
bool WaitForNotify(HWND window, DWORD milliseconds, MSG& notify) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == window && message.message == MM_MCINOTIFY) {
        notify = message;
        return true;
      }
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
  return false;
}

}  // namespace

TEST(CdAudioRouter, AVirtualDrivePlaysThroughItsCommandsAndTellsTheWindowItsEnd) {
  std::string folder = MakeTestFolder("win32-cd-audio");
  DISC_IMAGE_LAYOUT layout;
  IMAGE_TRACK track;
  track.content = TrackContent::Pattern;
  track.frames = 60;  // 0.8 s
  layout.tracks = {track, track};
  std::string error;
  ASSERT_TRUE(WriteDiscImage(layout, folder + "disc.cue", error)) << error;
  CWin32DeviceIo system;
  std::unique_ptr<CWin32VirtualDeviceIo> io = CreateVirtualDrives(system, "V=" + folder + "disc.cue", error);
  ASSERT_NE(io, nullptr) << error;
  CCdAudioRouter router(*io, [](char letter) { return letter == 'V'; });

  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  CCdAudioPlayer player(router);
  player.SetNotificationWindow(reinterpret_cast<uintptr_t>(window));
  ASSERT_TRUE(player.Open('V' - 'A'));
  ASSERT_TRUE(player.ReadPlayTable());
  EXPECT_EQ(player.PlayTable().count, 2);
  ASSERT_TRUE(player.PlayTrack(2));
  MSG notify = {};
  ASSERT_TRUE(WaitForNotify(window, 5000, notify));
  EXPECT_EQ(notify.wParam, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_EQ(static_cast<CdAudioDevice>(notify.lParam), player.Device());
  uint32_t position = 0;
  ASSERT_TRUE(player.Position(position));
  EXPECT_EQ(position, PackTmsf(2, 0, 0, 60)) << "stopped at the track's end";
  EXPECT_TRUE(player.Close());
  DestroyWindow(window);
}

TEST(CdAudioRouter, ADriveMciCannotOpenGivesMcisCodeAndText) {
  CWin32DeviceIo system;
  CCdAudioRouter router(system, [](char) { return false; });
  CCdAudioPlayer player(router);
  EXPECT_FALSE(player.Open('Q' - 'A'));
  EXPECT_NE(player.LastError(), 0u);
  EXPECT_EQ(player.Device(), 0u);
  std::string text;
  EXPECT_EQ(OpenCdAudio(router, 'Q', text), 0u);
  EXPECT_FALSE(text.empty());
  EXPECT_LE(text.size(), kMaxMciErrorText);
}
