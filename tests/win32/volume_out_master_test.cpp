// The master volume against Wine's mixer for the test wave device (see
// tests/audio/wave-capture.conf), checked through the mixer API directly;
// the no-device path runs in a child process with Wine's audio drivers off.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/harness/audio_drivers_off_win.h"

#include "cdrom/volume_out_master_win.h"

namespace {

constexpr char kWindowClass[] = "Master Output Volume Msg Wnd Class";
constexpr char kWindowTitle[] = "Master Output Volume Msg Wnd";
constexpr char kChildMark[] = "CANTARO_NO_WAVE_CHILD";
constexpr DWORD kMaxChannels = 8;

bool HasEnvironment(const char* name) { return GetEnvironmentVariableA(name, nullptr, 0) > 0; }

// The hidden message window of an object of this process, or null; other
// programs running meanwhile may have their own.
HWND OwnMessageWindow() {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, kWindowClass, kWindowTitle)) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return window;
  }
  return nullptr;
}

// The test device's mixer, reached without the class under test.
class DirectMixer {
 public:
  DirectMixer() {
    if (mixerOpen(&mixer_, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
    line_.cbStruct = sizeof(line_);
    line_.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    ready_ = mixerGetLineInfoA(Object(), &line_, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
                 MMSYSERR_NOERROR &&
             line_.cChannels >= 1 && line_.cChannels <= kMaxChannels &&
             Find(MIXERCONTROL_CONTROLTYPE_VOLUME, volume_) && Find(MIXERCONTROL_CONTROLTYPE_MUTE, mute_);
  }
  ~DirectMixer() {
    if (mixer_) mixerClose(mixer_);
  }

  bool Ready() const { return ready_; }
  const MIXERLINEA& Line() const { return line_; }
  const MIXERCONTROLA& Volume() const { return volume_; }
  const MIXERCONTROLA& Mute() const { return mute_; }

  // The first channel's value, or -1.
  int64_t Read(const MIXERCONTROLA& control) {
    MIXERCONTROLDETAILS_UNSIGNED values[kMaxChannels] = {};
    MIXERCONTROLDETAILS details = Details(control, 1, values);
    if (mixerGetControlDetailsA(Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
      return -1;
    return values[0].dwValue;
  }
  bool Write(const MIXERCONTROLA& control, DWORD value) {
    MIXERCONTROLDETAILS_UNSIGNED values[1] = {{value}};
    MIXERCONTROLDETAILS details = Details(control, 1, values);
    return mixerSetControlDetails(Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }

 private:
  HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }
  bool Find(DWORD type, MIXERCONTROLA& control) {
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSA controls = {};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line_.dwLineID;
    controls.dwControlType = type;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    return mixerGetLineControlsA(Object(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
  }
  static MIXERCONTROLDETAILS Details(const MIXERCONTROLA& control, DWORD channels,
                                     MIXERCONTROLDETAILS_UNSIGNED* values) {
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof(details);
    details.dwControlID = control.dwControlID;
    details.cChannels = channels;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    details.paDetails = values;
    return details;
  }

  HMIXER mixer_ = nullptr;
  MIXERLINEA line_ = {};
  MIXERCONTROLA volume_ = {};
  MIXERCONTROLA mute_ = {};
  bool ready_ = false;
};

// Dispatches this thread's messages until `done` holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds = 3000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return true;
}

constexpr size_t kPlayedFrames = 44100 / 4;

// The Windows path of the file the test wave device plays into, or "".
std::string CaptureFile() {
  char path[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("CANTARO_WAVE_CAPTURE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || path[0] != '/') return "";
  std::string windows = std::string("Z:") + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Plays 16-bit stereo at 44100 Hz through the default device to its end.
bool Play(std::vector<int16_t>& pcm) {
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWAVEOUT wave = nullptr;
  if (waveOutOpen(&wave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR) {
    CloseHandle(done);
    return false;
  }
  WAVEHDR header = {};
  header.lpData = reinterpret_cast<LPSTR>(pcm.data());
  header.dwBufferLength = static_cast<DWORD>(pcm.size() * sizeof(int16_t));
  waveOutPrepareHeader(wave, &header, sizeof(header));
  waveOutWrite(wave, &header, sizeof(header));
  const DWORD start = GetTickCount();
  while (!(header.dwFlags & WHDR_DONE) && GetTickCount() - start < 5000) WaitForSingleObject(done, 100);
  const bool finished = header.dwFlags & WHDR_DONE;
  waveOutReset(wave);
  waveOutUnprepareHeader(wave, &header, sizeof(header));
  waveOutClose(wave);
  CloseHandle(done);
  return finished;
}

// What the program asked of mixerSetControlDetails.
struct MIXER_WRITE {
  DWORD controlId;
  DWORD channels;
  DWORD items;
};

// The slot of this program's import table through which its calls to one
// system function go, or null.
void** ImportSlot(const char* module, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; library->Name; ++library) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + library->Name), module) != 0) continue;
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slot->u1.Function);
    }
  }
  return nullptr;
}

// Records every mixer write of this program while it lives, by routing the
// program's import of mixerSetControlDetails through itself; the writes
// still happen.
class MixerWriteSpy {
 public:
  MixerWriteSpy() : slot_(ImportSlot("winmm.dll", "mixerSetControlDetails")) {
    if (!slot_) return;
    original_ = reinterpret_cast<SetDetails>(*slot_);
    active_ = this;
    Replace(reinterpret_cast<void*>(&Record));
  }
  ~MixerWriteSpy() {
    if (slot_) Replace(reinterpret_cast<void*>(original_));
    active_ = nullptr;
  }
  bool Installed() const { return slot_ != nullptr; }
  std::vector<MIXER_WRITE> writes;

 private:
  using SetDetails = MMRESULT(WINAPI*)(HMIXEROBJ, LPMIXERCONTROLDETAILS, DWORD);
  void Replace(void* function) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
    *slot_ = function;
    VirtualProtect(slot_, sizeof(void*), protection, &protection);
  }
  static MMRESULT WINAPI Record(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags) {
    active_->writes.push_back({details->dwControlID, details->cChannels, details->cMultipleItems});
    return active_->original_(mixer, details, flags);
  }
  static inline MixerWriteSpy* active_ = nullptr;
  void** slot_;
  SetDetails original_ = nullptr;
};

struct SinkRecord {
  int calls = 0;
  int64_t volume = -2;
  void* user = nullptr;
};

void RecordChange(int64_t volume, void* user) {
  auto* record = static_cast<SinkRecord*>(user);
  ++record->calls;
  record->volume = volume;
  record->user = user;
}

// Needs the test wave device; leaves the volume and mute as it found them.
class VolumeOutMasterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (mixerGetNumDevs() == 0) {
      if (HasEnvironment("CANTARO_WAVE_CAPTURE")) FAIL() << "CANTARO_WAVE_CAPTURE is set but Wine offers no mixer";
      GTEST_SKIP() << "no mixer (run with the wave-capture environment of tests/CMakeLists.txt)";
    }
    ASSERT_TRUE(direct_.Ready());
    savedVolume_ = direct_.Read(direct_.Volume());
    savedMute_ = direct_.Read(direct_.Mute());
  }
  void TearDown() override {
    if (savedVolume_ >= 0) direct_.Write(direct_.Volume(), static_cast<DWORD>(savedVolume_));
    if (savedMute_ >= 0) direct_.Write(direct_.Mute(), static_cast<DWORD>(savedMute_));
  }

  DirectMixer direct_;
  int64_t savedVolume_ = -1;
  int64_t savedMute_ = -1;
};

TEST_F(VolumeOutMasterTest, ReportsTheSpeakersVolumeControl) {
  CVolumeOutMaster volume;
  ASSERT_TRUE(volume.IsAvailable());
  const MIXERCONTROLA& control = direct_.Volume();
  EXPECT_EQ(volume.GetMinimum(), control.Bounds.dwMinimum);
  EXPECT_EQ(volume.GetMaximum(), control.Bounds.dwMaximum);
  EXPECT_EQ(volume.GetSteps(), control.Metrics.cSteps);
  // Wine's speakers volume, as its mixer documents it.
  EXPECT_EQ(volume.GetMinimum(), 0);
  EXPECT_EQ(volume.GetMaximum(), 65535);
  EXPECT_GT(volume.GetSteps(), 1);
  EXPECT_EQ(volume.GetCurrentVolume(), direct_.Read(control));
}

TEST_F(VolumeOutMasterTest, SetValuesReadBackAndOutOfRangeOnesAreIgnored) {
  CVolumeOutMaster volume;
  ASSERT_TRUE(volume.IsAvailable());
  const int64_t maximum = volume.GetMaximum();
  for (int64_t value : {maximum, int64_t{0}, maximum / 2 + 1, int64_t{12345}}) {
    volume.SetCurrentVolume(value);
    EXPECT_EQ(volume.GetCurrentVolume(), value);
    EXPECT_EQ(direct_.Read(direct_.Volume()), value);
  }
  // The system might refuse such values itself; they must not reach it.
  MixerWriteSpy spy;
  ASSERT_TRUE(spy.Installed());
  volume.SetCurrentVolume(maximum + 1);
  volume.SetCurrentVolume(-1);
  EXPECT_EQ(spy.writes.size(), 0u);
  EXPECT_EQ(direct_.Read(direct_.Volume()), 12345);
  EXPECT_EQ(volume.GetCurrentVolume(), 12345);
}

TEST_F(VolumeOutMasterTest, UniformStereoControlTakesOneValueForBothChannels) {
  ASSERT_EQ(direct_.Line().cChannels, 2u);
  ASSERT_TRUE(direct_.Volume().fdwControl & MIXERCONTROL_CONTROLF_UNIFORM);
  const std::string capture = CaptureFile();
  if (capture.empty()) GTEST_SKIP() << "needs the capture file of the test wave device";
  CVolumeOutMaster volume;
  volume.EnableLine();
  direct_.Write(direct_.Volume(), 1000);
  {
    MixerWriteSpy spy;
    ASSERT_TRUE(spy.Installed());
    volume.SetCurrentVolume(32768);
    ASSERT_EQ(spy.writes.size(), 1u);
    EXPECT_EQ(spy.writes[0].controlId, direct_.Volume().dwControlID);
    EXPECT_EQ(spy.writes[0].channels, 1u);
  }
  ASSERT_EQ(direct_.Read(direct_.Volume()), 32768);

  // Half the volume halves what reaches the device, on both channels.
  std::vector<int16_t> played(kPlayedFrames * 2);
  for (size_t i = 0; i < played.size(); i += 2) {
    played[i] = 8000;
    played[i + 1] = -12000;
  }
  ASSERT_TRUE(Play(played));
  const std::vector<int16_t> heard = ReadSamples(capture);
  ASSERT_EQ(heard.size(), played.size());
  int wrong = 0;
  for (size_t i = 0; i < heard.size(); i += 2)
    wrong += std::abs(heard[i] - 4000) > 1 || std::abs(heard[i + 1] + 6000) > 1;
  EXPECT_EQ(wrong, 0) << "first frame " << heard[0] << ", " << heard[1];
}

TEST_F(VolumeOutMasterTest, EnableAndDisableSwitchTheMute) {
  CVolumeOutMaster volume;
  ASSERT_TRUE(volume.IsAvailable());
  direct_.Write(direct_.Mute(), 0);
  volume.DisableLine();
  EXPECT_EQ(direct_.Read(direct_.Mute()), 1);
  {
    // Only the mute is written, with one value since it is uniform; the
    // volume is left alone.
    MixerWriteSpy spy;
    ASSERT_TRUE(spy.Installed());
    volume.EnableLine();
    ASSERT_EQ(spy.writes.size(), 1u);
    EXPECT_EQ(spy.writes[0].controlId, direct_.Mute().dwControlID);
    EXPECT_EQ(spy.writes[0].channels, 1u);
    EXPECT_EQ(spy.writes[0].items, 0u);
  }
  EXPECT_EQ(direct_.Read(direct_.Mute()), 0);
  volume.DisableLine();
  EXPECT_EQ(direct_.Read(direct_.Mute()), 1);
  // Switching the line leaves the volume itself alone.
  volume.SetCurrentVolume(2222);
  volume.EnableLine();
  EXPECT_EQ(volume.GetCurrentVolume(), 2222);
}

// Wine's mixer sends no change notifications at all, so the test posts
// them to the hidden window as the system would, after the change.
TEST_F(VolumeOutMasterTest, ChangeSinkHearsVolumeNotifications) {
  CVolumeOutMaster listener;
  ASSERT_TRUE(listener.IsAvailable());
  HWND window = OwnMessageWindow();
  ASSERT_NE(window, nullptr);
  SinkRecord record;
  listener.RegisterChangeSink(RecordChange, &record);
  const LPARAM volumeId = direct_.Volume().dwControlID;

  CVolumeOutMaster other;
  other.SetCurrentVolume(3000);
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, volumeId);
  ASSERT_TRUE(PumpUntil([&] { return record.calls > 0; }));
  EXPECT_EQ(record.volume, 3000);
  EXPECT_EQ(record.user, &record);

  // Another control's change is not the volume's; the volume's that
  // follows it is heard once.
  direct_.Write(direct_.Volume(), 7000);
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(direct_.Mute().dwControlID));
  PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, volumeId);
  ASSERT_TRUE(PumpUntil([&] { return record.calls > 1; }));
  EXPECT_EQ(record.calls, 2);
  EXPECT_EQ(record.volume, 7000);

  listener.RegisterChangeSink(nullptr, nullptr);
  SendMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, volumeId);
  EXPECT_EQ(record.calls, 2);
}

TEST_F(VolumeOutMasterTest, HiddenWindowLivesWithTheObject) {
  ASSERT_EQ(OwnMessageWindow(), nullptr);
  {
    CVolumeOutMaster volume;
    HWND window = OwnMessageWindow();
    ASSERT_NE(window, nullptr);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_DISABLED | WS_VISIBLE), WS_POPUP | WS_DISABLED);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
  }
  EXPECT_EQ(OwnMessageWindow(), nullptr);
}

// Runs only inside the child that the test below starts with Wine's audio
// drivers turned off.
TEST(VolumeOutMasterNoDevice, NothingIsAvailableAndNothingHappens) {
  if (!HasEnvironment(kChildMark)) GTEST_SKIP() << "runs as a child of VolumeOutMasterWithoutDevice";
  ASSERT_EQ(mixerGetNumDevs(), 0u);
  CVolumeOutMaster volume;
  EXPECT_FALSE(volume.IsAvailable());
  EXPECT_EQ(volume.GetSteps(), -1);
  EXPECT_EQ(volume.GetMinimum(), -1);
  EXPECT_EQ(volume.GetMaximum(), -1);
  EXPECT_EQ(volume.GetCurrentVolume(), -1);
  MixerWriteSpy spy;
  ASSERT_TRUE(spy.Installed());
  volume.SetCurrentVolume(0);
  volume.SetCurrentVolume(100);
  volume.EnableLine();
  volume.DisableLine();
  EXPECT_EQ(spy.writes.size(), 0u);
  EXPECT_EQ(volume.GetCurrentVolume(), -1);
  EXPECT_EQ(OwnMessageWindow(), nullptr);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Sets an environment variable for processes started meanwhile.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) { SetEnvironmentVariableA(name, value); }
  ~ScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }

 private:
  const char* name_;
};

// Runs this program's child-only test with Wine's audio drivers off; the
// exit code and the child's report must show that the test ran and passed.
TEST(VolumeOutMasterWithoutDevice, ChildProcessSeesNoMixer) {
  char program[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
  char folder[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
  const std::string report = std::string(folder) + "volume_out_master_child.xml";
  DeleteFileA(report.c_str());

  const char* name = std::strrchr(program, '\\');
  CScopedAudioDriversOff driversOff(name ? name + 1 : program);
  ScopedEnvironment mark(kChildMark, "1");
  std::string line =
      std::string("\"") + program + "\" --gtest_filter=VolumeOutMasterNoDevice.* --gtest_output=xml:" + report;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  ASSERT_TRUE(ended) << "the child did not end within a minute";
  EXPECT_EQ(exitCode, 0u);

  const std::string xml = ReadFile(report);
  EXPECT_NE(xml.find("name=\"NothingIsAvailableAndNothingHappens\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("tests=\"1\" failures=\"0\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("result=\"completed\""), std::string::npos) << xml;
  EXPECT_EQ(xml.find("result=\"skipped\""), std::string::npos) << xml;
  DeleteFileA(report.c_str());
}

}  // namespace
