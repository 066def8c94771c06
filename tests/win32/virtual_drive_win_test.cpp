// The virtual CD drive in a Win32 process: over the system's device I/O
// the way the program uses it, with the last-error values DeviceIoControl
// leaves, and media changes delivered to a real window.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <cstring>

#include "cdrom/device_io_win.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "cdrom/drive_commands.h"
#include "cdrom/virtual/virtual_drive_win.h"
#include "tests/core/test_folders.h"

namespace {

std::string WriteTestDisc(const std::string& name, int tracks) {
  std::string folder = MakeTestFolder(name);
  DISC_IMAGE_LAYOUT layout;
  for (int i = 0; i < tracks; ++i) {
    IMAGE_TRACK track;
    track.content = TrackContent::Pattern;
    track.frames = 150;
    layout.tracks.push_back(track);
  }
  std::string error;
  EXPECT_TRUE(WriteDiscImage(layout, folder + "disc.cue", error)) << error;
  return folder + "disc.cue";
}

TEST(VirtualDriveWin32, TheProgramsWayThroughTheSystemDeviceIo) {
  std::string cue = WriteTestDisc("win32-vdrive", 3);
  CWin32DeviceIo system;
  std::string error;
  std::unique_ptr<CWin32VirtualDeviceIo> io = CreateVirtualDrives(system, "V=" + cue + "|bad=200-209", error);
  ASSERT_NE(io, nullptr) << error;

  // V: is a CD-ROM drive among the system's drives (C: and Z: under Wine).
  std::vector<std::string> roots = io->DriveRoots();
  EXPECT_NE(std::find(roots.begin(), roots.end(), "V:\\"), roots.end());
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
  std::vector<char> drives = FindCdromDrives(*io);
  EXPECT_NE(std::find(drives.begin(), drives.end(), 'V'), drives.end());
  EXPECT_EQ(io->DriveType("C:\\"), static_cast<unsigned>(GetDriveTypeA("C:\\")));

  CDriveCommands commands(*io);
  for (AccessPath path : {AccessPath::PassThrough, AccessPath::Driver}) {
    SCOPED_TRACE(path == AccessPath::Driver ? "driver path" : "pass-through path");
    commands.Install(path, 0);
    commands.currentDriveLetter = 'V';
    commands.retryTimes = 2;
    DeviceHandle device = io->Open(path == AccessPath::Driver ? kDriverDevicePath : "\\\\.\\V:", true);
    ASSERT_NE(device, kInvalidDevice);
    CDriveIdentity identity;
    ASSERT_TRUE(commands.Identify(device, identity));
    EXPECT_STREQ(identity.vendor, "CANTARO ");
    CD_TOC toc;
    ASSERT_TRUE(commands.ReadToc(device, toc));
    EXPECT_EQ(toc.lastTrack, 3);
    EXPECT_EQ(toc.entries[3].address[2] << 8 | toc.entries[3].address[3], 450);

    std::vector<uint8_t> data(26 * 2352);
    CD_READ_REQUEST request;
    request.start = 160;
    request.frames = 26;
    request.bytes = 26 * 2352;
    request.buffer = data.data();
    ASSERT_TRUE(commands.ReadSectors(device, request));
    EXPECT_EQ(data[0], 2) << "LBA 160 is frame 10 of track 2";
    EXPECT_EQ(data[2], 10);

    request.start = 190;
    SetLastError(0);
    EXPECT_FALSE(commands.ReadSectors(device, request));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CRC)) << "what the extraction log shows";
    io->Close(device);
  }

  // The system's own devices still answer as the system does.
  DeviceHandle none = io->Open("\\\\.\\Q:", true);
  EXPECT_EQ(none, kInvalidDevice);
}

TEST(VirtualDriveWin32, MalformedConfigurationIsRefusedWithTheItem) {
  CWin32DeviceIo system;
  std::string error;
  EXPECT_EQ(CreateVirtualDrives(system, "V=a.cue;W=b.cue|bad=9-1", error), nullptr);
  EXPECT_NE(error.find("W=b.cue|bad=9-1"), std::string::npos) << error;

  // Unset, the program keeps the system's drives alone.
  SetEnvironmentVariableA(kVirtualDrivesVariable, nullptr);
  EXPECT_EQ(CreateVirtualDrivesFromEnvironment(system), nullptr);
  std::string cue = WriteTestDisc("win32-vdrive-env", 1);
  SetEnvironmentVariableA(kVirtualDrivesVariable, ("W=" + cue).c_str());
  std::unique_ptr<IDeviceIo> io = CreateVirtualDrivesFromEnvironment(system);
  SetEnvironmentVariableA(kVirtualDrivesVariable, nullptr);
  ASSERT_NE(io, nullptr);
  EXPECT_EQ(io->DriveType("W:\\"), kDriveTypeCdrom);
}

// A top-level window that notes every WM_DEVICECHANGE it receives.
struct DEVICE_CHANGE {
  WPARAM event;
  DWORD size, deviceType, unitMask;
  WORD flags;
};
std::vector<DEVICE_CHANGE> g_changes;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE && lParam) {
    const DEV_BROADCAST_VOLUME* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam);
    g_changes.push_back(
        {wParam, volume->dbcv_size, volume->dbcv_devicetype, volume->dbcv_unitmask, volume->dbcv_flags});
    return TRUE;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Pumps this thread's messages until `count` changes arrived or 5 s passed.
bool WaitForChanges(size_t count) {
  DWORD start = GetTickCount();
  while (g_changes.size() < count && GetTickCount() - start < 5000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return g_changes.size() >= count;
}

TEST(VirtualDriveWin32, MediaChangesReachTheWindowsAsTheSystemSendsThem) {
  std::string cue = WriteTestDisc("win32-vdrive-media", 2);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "CantaroMediaChangeTest";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("CantaroMediaChangeTest", "media", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  g_changes.clear();

  CWin32DeviceIo system;
  std::string error;
  std::unique_ptr<CWin32VirtualDeviceIo> io = CreateVirtualDrives(system, "W=" + cue, error);
  ASSERT_NE(io, nullptr) << error;
  CDriveCommands commands(*io);
  commands.Install(AccessPath::PassThrough, 0);
  commands.retryTimes = 1;
  DeviceHandle device = io->Open("\\\\.\\W:", true);
  CD_TOC toc;
  ASSERT_TRUE(commands.ReadToc(device, toc));

  ASSERT_TRUE(RemoveVirtualMedium(cue));
  ASSERT_TRUE(WaitForChanges(1)) << "no removal arrived";
  EXPECT_EQ(g_changes[0].event, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
  EXPECT_EQ(g_changes[0].size, sizeof(DEV_BROADCAST_VOLUME));
  EXPECT_EQ(g_changes[0].deviceType, static_cast<DWORD>(DBT_DEVTYP_VOLUME));
  EXPECT_EQ(g_changes[0].flags, DBTF_MEDIA);
  EXPECT_EQ(g_changes[0].unitMask, 1u << ('W' - 'A'));
  EXPECT_FALSE(commands.ReadToc(device, toc)) << "the tray is empty by the time the window hears of it";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));

  ASSERT_TRUE(InsertVirtualMedium(cue));
  ASSERT_TRUE(WaitForChanges(2)) << "no arrival arrived";
  EXPECT_EQ(g_changes[1].event, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
  EXPECT_EQ(g_changes[1].unitMask, 1u << ('W' - 'A'));
  EXPECT_TRUE(commands.ReadToc(device, toc));
  EXPECT_EQ(g_changes.size(), 2u) << "one message per change";

  io.reset();
  DestroyWindow(window);
}

}  // namespace
