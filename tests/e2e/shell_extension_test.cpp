// TambourExt.dll as Explorer meets it: registered with regsvr32, created
// through COM, handed selections in a CF_HDROP data object, its item
// chosen; and what reaches the program, running or not.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/exchange_area.h"
#include "cdrom/virtual/disc_image_writer.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/drop_data_win.h"
#include "tests/harness/harness.h"
#include "tests/harness/held_exchange_area_win.h"

namespace {

const DWORD kTimeout = 60000;
const CLSID kClsid = {0xB17213F3, 0x499E, 0x11D4, {0x9F, 0xC1, 0x52, 0x54, 0xAB, 0xDF, 0x26, 0xFA}};
const char* kClsidText = "{B17213F3-499E-11D4-9FC1-5254ABDF26FA}";
const char* kSetupKey = "Software\\Brenmark\\Tambour";

std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string ExtensionPath() { return BinFolder() + "TambourExt.dll"; }

// Runs regsvr32 silently; its exit code (0 on success).
DWORD RunRegsvr32(const std::string& options) {
  std::string line = "regsvr32.exe /s " + options + " \"" + ExtensionPath() + "\"";
  STARTUPINFOA startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, kTimeout);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

std::string ClassesValue(const std::string& key, const char* name = "") {
  char value[512] = {};
  DWORD size = sizeof(value);
  if (SHGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, nullptr, value, &size) != ERROR_SUCCESS) return "<none>";
  return std::string(value, strnlen(value, sizeof(value)));
}

bool ClassesKeyExists(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// One context menu: the object Explorer would create, its Initialize and
// QueryContextMenu, and what it shows.
struct MENU_SHOWN {
  HRESULT initialized = E_UNEXPECTED;
  int items = -1;
  std::string text;
};

class CExtensionMenu {
 public:
  CExtensionMenu() {
    created_ =
        CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init_));
    if (SUCCEEDED(created_)) init_->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu_));
  }
  ~CExtensionMenu() {
    if (menu_) menu_->Release();
    if (init_) init_->Release();
  }
  bool Created() const { return SUCCEEDED(created_) && menu_; }
  IContextMenu* Menu() { return menu_; }

  // folder: the drop target of a right-drag, "" for a plain context menu.
  MENU_SHOWN Show(const std::vector<std::string>& paths, const std::string& folder = "") {
    MENU_SHOWN shown;
    CDropData* data = new CDropData(paths);
    PIDLIST_ABSOLUTE target = folder.empty() ? nullptr : ILCreateFromPathA(folder.c_str());
    shown.initialized = init_->Initialize(target, data, nullptr);
    if (target) ILFree(target);
    data->Release();
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "Open");
    HRESULT result = menu_->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL);
    shown.items = SUCCEEDED(result) ? HRESULT_CODE(result) : -1;
    char text[256] = {};
    if (GetMenuItemID(popup, 0) == 100) GetMenuStringA(popup, 0, text, sizeof(text), MF_BYPOSITION);
    shown.text = text;
    DestroyMenu(popup);
    return shown;
  }
  // Chooses the item as Explorer does: by its offset, 0.
  HRESULT Choose() {
    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = MAKEINTRESOURCEA(0);
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(&info);
  }
  std::string HelpText(UINT type, UINT size, HRESULT* result = nullptr, UINT_PTR command = 0) {
    std::vector<char> buffer(size * (type == GCS_HELPTEXTW ? 2 : 1) + 2, '#');
    HRESULT got = menu_->GetCommandString(command, type, nullptr, buffer.data(), size);
    if (result) *result = got;
    if (type != GCS_HELPTEXTW) return std::string(buffer.data(), strnlen(buffer.data(), size));
    const WCHAR* wide = reinterpret_cast<const WCHAR*>(buffer.data());
    std::string narrow;
    for (UINT i = 0; i < size && wide[i]; ++i) narrow += static_cast<char>(wide[i]);
    return narrow;
  }

 private:
  HRESULT created_ = E_FAIL;
  IShellExtInit* init_ = nullptr;
  IContextMenu* menu_ = nullptr;
};

// Gives the three extensions a file type while the tests run, where the
// prefix has none, so that registration has somewhere to put its handler.
class CFileTypes {
 public:
  CFileTypes() {
    for (const char* extension : {".cda", ".mp3", ".wav"}) {
      if (ClassesValue(extension) != "<none>" && !ClassesValue(extension).empty()) continue;
      std::string type = std::string("cantaro.test") + (extension + 1);
      SHSetValueA(HKEY_CLASSES_ROOT, extension, "", REG_SZ, type.c_str(), static_cast<DWORD>(type.size() + 1));
      made_.push_back(extension);
    }
  }
  ~CFileTypes() {
    for (const std::string& extension : made_) {
      SHDeleteKeyA(HKEY_CLASSES_ROOT, ClassesValue(extension).c_str());
      SHDeleteKeyA(HKEY_CLASSES_ROOT, extension.c_str());
    }
  }

 private:
  std::vector<std::string> made_;
};

// Wine's mount manager defines a drive at run time (as winecfg does): a
// letter, its type and the Unix folder behind it. Its record, from Wine's
// mountmgr.h.
struct WINE_UNIX_DRIVE {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
const DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineWineDrive(char letter, UINT type, const std::string& unixFolder) {
  std::vector<char> record(sizeof(WINE_UNIX_DRIVE) + unixFolder.size() + 1, 0);
  WINE_UNIX_DRIVE* drive = reinterpret_cast<WINE_UNIX_DRIVE*>(record.data());
  drive->size = static_cast<ULONG>(record.size());
  drive->type = type;
  drive->letter = static_cast<WCHAR>(letter);
  if (!unixFolder.empty()) {
    drive->mountPointOffset = sizeof(WINE_UNIX_DRIVE);
    std::memcpy(record.data() + sizeof(WINE_UNIX_DRIVE), unixFolder.c_str(), unixFolder.size());
  }
  HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL done = DeviceIoControl(manager, kDefineUnixDrive, record.data(), static_cast<DWORD>(record.size()), nullptr, 0,
                              &returned, nullptr);
  CloseHandle(manager);
  return done != FALSE;
}

// A spare drive letter made a CD-ROM drive over a test folder, and undone.
class CScopedCdDrive {
 public:
  explicit CScopedCdDrive(const std::string& folder) {
    for (char c = 'M'; c <= 'Y' && !letter_; ++c)
      if (GetDriveTypeA((std::string(1, c) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) letter_ = c;
    std::string unix = HostFolder(folder).string();
    if (unix.rfind("Z:", 0) == 0) {
      unix = unix.substr(2);
      std::replace(unix.begin(), unix.end(), '\\', '/');
    }
    if (letter_ && !DefineWineDrive(static_cast<char>(letter_ - 'A' + 'a'), DRIVE_CDROM, unix)) letter_ = 0;
  }
  ~CScopedCdDrive() {
    if (letter_) DefineWineDrive(static_cast<char>(letter_ - 'A' + 'a'), DRIVE_NO_ROOT_DIR, "");
  }
  char Letter() const { return letter_; }

 private:
  char letter_ = 0;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A CD track file as Windows shows one: 44 bytes of RIFF/CDDA.
std::vector<uint8_t> TrackFile(int track, const char* form = "CDDA") {
  std::vector<uint8_t> bytes(44, 0);
  std::memcpy(bytes.data(), "RIFF", 4);
  bytes[4] = 36;
  std::memcpy(bytes.data() + 8, form, 4);
  std::memcpy(bytes.data() + 12, "fmt ", 4);
  bytes[16] = 24;
  bytes[20] = 1;
  bytes[22] = static_cast<uint8_t>(track);
  return bytes;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void SetSetupDirectory(const std::string& folder) {
  SHSetValueA(HKEY_CURRENT_USER, kSetupKey, "SetupDirectory", REG_SZ, folder.c_str(),
              static_cast<DWORD>(folder.size() + 1));
}

class ShellExtensionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    types_ = new CFileTypes();
    registered_ = RunRegsvr32("");
  }
  static void TearDownTestSuite() {
    RunRegsvr32("/u");
    delete types_;
    types_ = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(registered_, 0u) << "regsvr32 failed";
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // A folder per test: a stand-in program of an earlier test may still
    // hold its own folder.
    folder_ =
        MakeTestFolder(std::string("e2e-shellext-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    SHDeleteValueA(HKEY_CURRENT_USER, kSetupKey, "SetupDirectory");
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, kSetupKey);
    ClearHeldArea();
    CoUninitialize();
  }
  // The extension keeps the area it made for this whole process, as it
  // would in Explorer; a request no program took must not reach the
  // programs later tests start.
  static void ClearHeldArea() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeAreaName);
    if (!mapping) return;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kExchangeAreaUsed)) {
      std::memset(view, 0, kExchangeAreaUsed);
      UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
  }
  // Empty files of the given names in the test folder.
  std::vector<std::string> Files(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) {
      WriteFile(folder_ + name, {});
      paths.push_back(folder_ + name);
    }
    return paths;
  }
  std::vector<std::string> Numbered(int count, const char* extension) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("piece" + std::to_string(i) + extension);
    return Files(names);
  }
  // A folder with the stand-in program that records how it was started,
  // named by "SetupDirectory".
  std::string RecordingSetup() {
    std::string setup = folder_ + "setup";
    std::filesystem::create_directories(setup);
    CopyFileA((BinFolder() + "recording_program.exe").c_str(), (setup + "\\CantaroMaker.exe").c_str(), FALSE);
    SetSetupDirectory(setup);
    return setup;
  }

  static CFileTypes* types_;
  static DWORD registered_;
  std::string folder_;
};

CFileTypes* ShellExtensionTest::types_ = nullptr;
DWORD ShellExtensionTest::registered_ = 1;

TEST_F(ShellExtensionTest, RegistrationWritesTheClassAndTheHandlersAndUnregistrationTakesThemAway) {
  std::string clsid = std::string("CLSID\\") + kClsidText;
  EXPECT_EQ(ClassesValue(clsid), "TambourContextMenu Class");
  EXPECT_EQ(lstrcmpiA(ClassesValue(clsid + "\\InprocServer32").c_str(), ExtensionPath().c_str()), 0)
      << ClassesValue(clsid + "\\InprocServer32");
  EXPECT_EQ(ClassesValue(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(ClassesValue(clsid + "\\ProgID"), "TambourExt.TambourContextMenu.1");
  EXPECT_EQ(ClassesValue(clsid + "\\VersionIndependentProgID"), "TambourExt.TambourContextMenu");
  EXPECT_TRUE(ClassesKeyExists(clsid + "\\Programmable"));
  EXPECT_EQ(ClassesValue("TambourExt.TambourContextMenu\\CurVer"), "TambourExt.TambourContextMenu.1");
  EXPECT_EQ(ClassesValue("TambourExt.TambourContextMenu.1\\CLSID"), kClsidText);
  for (const char* extension : {".cda", ".mp3", ".wav"})
    EXPECT_EQ(ClassesValue(ClassesValue(extension) + "\\shellex\\ContextMenuHandlers\\TambourExt"), kClsidText)
        << extension;
  EXPECT_EQ(ClassesValue("Directory\\shellex\\DragDropHandlers\\TambourExt"), kClsidText);

  ASSERT_EQ(RunRegsvr32("/u"), 0u);
  EXPECT_FALSE(ClassesKeyExists(clsid));
  EXPECT_FALSE(ClassesKeyExists("TambourExt.TambourContextMenu"));
  EXPECT_FALSE(ClassesKeyExists("TambourExt.TambourContextMenu.1"));
  for (const char* extension : {".cda", ".mp3", ".wav"})
    EXPECT_FALSE(ClassesKeyExists(ClassesValue(extension) + "\\shellex\\ContextMenuHandlers\\TambourExt"));
  EXPECT_FALSE(ClassesKeyExists("Directory\\shellex\\DragDropHandlers\\TambourExt"));
  EXPECT_EQ(RunRegsvr32("/u"), 0u) << "unregistering twice is no failure";
  ASSERT_EQ(RunRegsvr32(""), 0u);
}

TEST_F(ShellExtensionTest, ServerExportsAnswerAsTheInProcessModelSays) {
  HMODULE module = LoadLibraryA(ExtensionPath().c_str());
  ASSERT_NE(module, nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  // Through the generic function type, which the compiler lets any be cast to.
  using AnyFunction = void (*)();
  auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<AnyFunction>(GetProcAddress(module, "DllGetClassObject")));
  auto canUnloadNow =
      reinterpret_cast<CanUnloadNow>(reinterpret_cast<AnyFunction>(GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_NE(GetProcAddress(module, "DllRegisterServer"), nullptr);
  EXPECT_NE(GetProcAddress(module, "DllUnregisterServer"), nullptr);

  void* object = nullptr;
  EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the factory is in use";
  IUnknown* outer = factory;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDataObject, &object), E_NOINTERFACE);
  IContextMenu* menu = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
  IShellExtInit* init = nullptr;
  ASSERT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL) << "no data object";
  init->Release();
  EXPECT_EQ(menu->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_OK);
  FreeLibrary(module);
}

TEST_F(ShellExtensionTest, OnlyASelectionOfOneKindOfUpToAHundredFilesGetsTheItem) {
  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  MENU_SHOWN mixed = menu.Show(Files({"one.wav", "two.wav", "three.mp3"}));
  EXPECT_EQ(mixed.initialized, E_FAIL);
  EXPECT_EQ(mixed.items, 0);
  MENU_SHOWN tooMany = menu.Show(Numbered(101, ".wav"));
  EXPECT_EQ(tooMany.items, 0);
  MENU_SHOWN hundred = menu.Show(Numbered(100, ".wav"));
  EXPECT_EQ(hundred.initialized, S_OK);
  EXPECT_EQ(hundred.items, 1);
  EXPECT_EQ(hundred.text, "&Encode with Cantaro Maker");
  MENU_SHOWN upper = menu.Show(Files({"LOUD.WAV"}));
  EXPECT_EQ(upper.text, "&Encode with Cantaro Maker");
  std::filesystem::create_directories(folder_ + "folder.mp3");
  EXPECT_EQ(menu.Show({folder_ + "folder.mp3"}).items, 0) << "a directory";
  EXPECT_EQ(menu.Show(Files({"notes.txt"})).items, 0);
  MENU_SHOWN mp3 = menu.Show(Files({"song.mp3"}));
  EXPECT_EQ(mp3.text, "&Decode with Cantaro Maker");
}

TEST_F(ShellExtensionTest, HelpTextFollowsTheKindAndFitsTheBuffer) {
  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  ASSERT_EQ(menu.Show(Files({"song.mp3"})).items, 1);
  HRESULT result = E_UNEXPECTED;
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTA, 256, &result), "Decode MP3 to WAV with Cantaro Maker.");
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTW, 256, &result), "Decode MP3 to WAV with Cantaro Maker.");
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTA, 7), "Decode");
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTW, 7), "Decode");
  menu.HelpText(GCS_HELPTEXTA, 0, &result);
  EXPECT_EQ(result, E_INVALIDARG) << "no room at all";
  menu.HelpText(GCS_HELPTEXTA, 256, &result, 1);
  EXPECT_EQ(result, E_INVALIDARG) << "offset 1 is not ours";
  menu.HelpText(GCS_VALIDATEA, 256, &result);
  EXPECT_EQ(result, S_OK);
  menu.HelpText(GCS_VALIDATEW, 256, &result);
  EXPECT_EQ(result, E_INVALIDARG);
  menu.HelpText(GCS_VERBA, 256, &result);
  EXPECT_EQ(result, E_INVALIDARG);
  ASSERT_EQ(menu.Show(Files({"a.wav"})).items, 1);
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTA, 256), "Encode WAV to MP3 with Cantaro Maker.");
}

TEST_F(ShellExtensionTest, TrackFilesOnACdRomDriveStartTheProgramWithTheirTracks) {
  std::string disc = folder_ + "disc\\";
  std::filesystem::create_directories(disc);
  WriteFile(disc + "Track01.cda", TrackFile(1));
  WriteFile(disc + "Track03.cda", TrackFile(3));
  WriteFile(disc + "Track04.cda", TrackFile(4, "WAVE"));
  CScopedCdDrive drive(disc);
  ASSERT_NE(drive.Letter(), 0) << "no spare drive letter could be made a CD-ROM drive";
  std::string root = std::string(1, drive.Letter()) + ":\\";
  ASSERT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM));
  std::string setup = RecordingSetup();

  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  EXPECT_EQ(menu.Show({root + "Track01.cda", root + "Track04.cda"}).items, 0) << "not RIFF/CDDA";
  EXPECT_EQ(menu.Show({disc + "Track01.cda"}).items, 0) << "not on a CD-ROM drive";
  MENU_SHOWN shown = menu.Show({root + "Track01.cda", root + "Track03.cda"});
  EXPECT_EQ(shown.text, "&Extract with Cantaro Maker");
  EXPECT_EQ(menu.HelpText(GCS_HELPTEXTA, 256), "Extract CD tracks and encode into MP3 with Cantaro Maker.");
  EXPECT_EQ(menu.Choose(), S_OK);
  std::string started;
  for (int i = 0; i < 200 && started.empty(); ++i, Sleep(50)) started = ReadText(setup + "\\started.txt");
  EXPECT_EQ(started, "-A1,3  -D" + std::string(1, drive.Letter()) + "\n" + setup + "\n");
}

TEST_F(ShellExtensionTest, ProgramStillStartingUpGetsNoMessageAndNoSecondCopyStarts) {
  std::string setup = RecordingSetup();
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kSingleInstanceMutexName);
  CHeldExchangeArea area;
  ASSERT_NE(area.Bytes(), nullptr);
  std::memset(area.Bytes(), 0, kExchangeAreaUsed);  // window handle 0: still initialising
  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  ASSERT_EQ(menu.Show(Files({"a.mp3", "b.mp3"})).items, 1);
  EXPECT_EQ(menu.Choose(), S_OK);
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, UM_EXTRACT_REQUEST, UM_ENCODE_REQUEST, PM_REMOVE))
      << "a request posted to window 0 lands in the caller's own queue";
  Sleep(500);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(setup + "\\started.txt")));
  // The request waits in the area; the program takes it once its window is up.
  EXCHANGE_REQUEST waiting = ReadExchangeArea(area.Bytes());
  EXPECT_EQ(waiting.files.size(), 2u);
  EXPECT_EQ(waiting.jobKind, AREA_JOB_DECODE);
  CloseHandle(mutex);
}

// Chooses the item on a thread of its own, as the shell's menu loop would,
// and returns the text of the message box the choice shows: "" when it
// returns without one within five seconds.
std::string ChooseAndAnswer(CExtensionMenu& menu) {
  std::atomic<bool> done = false;
  std::thread chooser([&] {
    menu.Choose();
    done = true;
  });
  std::string text;
  for (int i = 0; i < 100 && !done && text.empty(); ++i, Sleep(50)) {
    HWND box = FindWindowA("#32770", "Cantaro Maker");
    DWORD owner = 0;
    if (box) GetWindowThreadProcessId(box, &owner);
    if (!box || owner != GetCurrentProcessId() || !IsWindowVisible(box)) continue;
    char buffer[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, buffer, sizeof(buffer));
    text = buffer;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  }
  chooser.join();
  return text;
}

TEST_F(ShellExtensionTest, StartingWithoutSetupDirectoryIsSilentAndAFailedStartIsShown) {
  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  ASSERT_EQ(menu.Show(Files({"a.wav"})).items, 1);
  EXPECT_EQ(ChooseAndAnswer(menu), "");
  std::filesystem::create_directories(HostFolder(folder_ + "empty"));
  SetSetupDirectory(folder_ + "empty");
  ASSERT_EQ(menu.Show(Files({"a.wav"})).items, 1);
  std::string shown = ChooseAndAnswer(menu);
  EXPECT_EQ(shown.rfind("Can't launch CantaroMaker.exe.\n", 0), 0u) << shown;
  EXPECT_GT(shown.size(), std::string("Can't launch CantaroMaker.exe.\n").size()) << "the system's reason is missing";
}

TEST_F(ShellExtensionTest, TrackFileSpoiltAfterTheMenuOpenedShowsWhyAndSendsNothing) {
  std::string disc = folder_ + "disc2\\";
  std::filesystem::create_directories(disc);
  WriteFile(disc + "Track02.cda", TrackFile(2));
  CScopedCdDrive drive(disc);
  ASSERT_NE(drive.Letter(), 0);
  std::string root = std::string(1, drive.Letter()) + ":\\";
  std::string setup = RecordingSetup();
  CExtensionMenu menu;
  ASSERT_TRUE(menu.Created());
  ASSERT_EQ(menu.Show({root + "Track02.cda"}).items, 1);
  WriteFile(disc + "Track02.cda", TrackFile(2, "WAVE"));
  EXPECT_EQ(ChooseAndAnswer(menu), "Not a valid cda file. CDDA format error.");
  ASSERT_EQ(menu.Show({root + "Track02.cda"}).items, 0);
  WriteFile(disc + "Track02.cda", TrackFile(2));
  ASSERT_EQ(menu.Show({root + "Track02.cda"}).items, 1);
  std::filesystem::remove(HostFolder(disc + "Track02.cda"));
  EXPECT_EQ(ChooseAndAnswer(menu), "Error when opening cda file.");
  Sleep(300);
  EXPECT_FALSE(std::filesystem::exists(HostFolder(setup + "\\started.txt")));
}

// The real program and two MP3 streams, decoded through the extension.
class ShellExtensionProgramTest : public ShellExtensionTest {
 protected:
  void SetUp() override {
    ShellExtensionTest::SetUp();
    DeleteProgramKey();
    DISC_IMAGE_LAYOUT layout;
    IMAGE_TRACK track;
    track.frames = 75 * 2;
    track.frequencies = {440.0};
    layout.tracks.push_back(track);
    std::string error;
    ASSERT_TRUE(WriteDiscImage(layout, folder_ + "one.cue", error)) << error;
    drives_ = std::make_unique<CScopedEnvironment>("CANTARO_VIRTUAL_DRIVES", "V=" + folder_ + "one.cue");
    StoreString("OUTPUTFOLDER", folder_ + "out");
    std::string vectors = std::string("Z:") + CANTARO_SOURCE_DIR + "/../shared/mpeg-vectors/";
    for (const char* name : {"l3-hecommon", "l3-compl"}) {
      std::string path = folder_ + "mp3\\" + name + ".mp3";
      std::filesystem::create_directories(folder_ + "mp3");
      if (CopyFileA((vectors + name + ".bit").c_str(), path.c_str(), FALSE)) mp3s_.push_back(path);
    }
  }
  void TearDown() override {
    DeleteProgramKey();
    ShellExtensionTest::TearDown();
  }
  // Chooses "&Decode with Cantaro Maker" on the two streams.
  void Decode(const std::string& dropFolder) {
    CExtensionMenu menu;
    ASSERT_TRUE(menu.Created());
    MENU_SHOWN shown = menu.Show(mp3s_, dropFolder);
    ASSERT_EQ(shown.text, "&Decode with Cantaro Maker");
    EXPECT_EQ(menu.Choose(), S_OK);
  }
  void ExpectDecodedInto(const std::string& folder) {
    for (const char* name : {"l3-hecommon", "l3-compl"}) {
      std::string wav = folder + "\\" + name + ".WAV";
      EXPECT_TRUE(std::filesystem::exists(HostFolder(wav))) << wav;
      if (std::filesystem::exists(HostFolder(wav))) {
        EXPECT_GT(std::filesystem::file_size(HostFolder(wav)), 100000u) << wav;
      }
    }
  }
  void WaitUntilFinished(CProgramUnderTest& program) {
    HWND finished = WaitForWindowTitled(program.ProcessId(), "Finished", 3 * kTimeout);
    ASSERT_NE(finished, nullptr) << "the decode job did not finish";
    ClickButton(finished, IDOK);
  }

  std::unique_ptr<CScopedEnvironment> drives_;
  std::vector<std::string> mp3s_;
};

TEST_F(ShellExtensionProgramTest, DecodeStartsTheProgramThenReachesItWhileItRuns) {
  if (mp3s_.size() != 2) GTEST_SKIP() << "no MPEG streams to decode";
  CProgramUnderTest program("shellext-decode");
  SetSetupDirectory(program.Folder().substr(0, program.Folder().size() - 1));
  Decode("");
  ASSERT_TRUE(program.AdoptStartedProgram(kTimeout)) << "the extension did not start the program";
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  WaitUntilFinished(program);
  ExpectDecodedInto(folder_ + "out");

  // Running now, minimised: the request brings it forward and the WAV
  // files go to the folder the files were dragged onto.
  ShowWindow(main, SW_MINIMIZE);
  for (int i = 0; i < 50 && !IsIconic(main); ++i) Sleep(20);
  std::string dropped = folder_ + "dropped";
  std::filesystem::create_directories(HostFolder(dropped));
  Decode(dropped);
  WaitUntilFinished(program);
  EXPECT_FALSE(IsIconic(main)) << "the window was not brought forward";
  ExpectDecodedInto(dropped);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
}

// The menu as a shell pops it up (the handlers registered for the file
// type, a real popup menu): the item is chosen by its mnemonic, as a user
// would, and the program starts and decodes.
HWND WaitForPopupMenu(DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50, Sleep(50)) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) return menu;
  }
  return nullptr;
}

TEST_F(ShellExtensionProgramTest, DecodeChosenFromTheShellMenuStartsTheProgram) {
  if (mp3s_.size() != 2) GTEST_SKIP() << "no MPEG streams to decode";
  CProgramUnderTest program("shellext-menu");
  SetSetupDirectory(program.Folder().substr(0, program.Folder().size() - 1));
  std::string line = "\"" + BinFolder() + "shell_menu_host.exe\" 200 150 60 \"" + mp3s_[0] + "\" \"" + mp3s_[1] + "\"";
  STARTUPINFOA startup = {sizeof(startup)};
  PROCESS_INFORMATION host = {};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &host));
  HWND popup = WaitForPopupMenu(kTimeout);
  ASSERT_NE(popup, nullptr) << "no context menu";
  Sleep(300);
  SaveScreenshot(ArtifactFolder() + "shell-context-menu.bmp");
  PostMessageA(popup, WM_KEYDOWN, 'D', 0);
  PostMessageA(popup, WM_CHAR, 'd', 0);
  bool started = program.AdoptStartedProgram(kTimeout);
  if (!started) TerminateProcess(host.hProcess, 1);
  ASSERT_TRUE(started) << "choosing the item did not start the program";
  HWND main = nullptr;
  program.AnswerBoxesUntilMainWindow(kTimeout, &main);
  ASSERT_NE(main, nullptr);
  WaitUntilFinished(program);
  ExpectDecodedInto(folder_ + "out");
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
  // The host holds the area for as long as it lives, as Explorer would.
  TerminateProcess(host.hProcess, 0);
  WaitForSingleObject(host.hProcess, kTimeout);
  CloseHandle(host.hProcess);
  CloseHandle(host.hThread);
}

}  // namespace
