#include "app/main_window.h"

#include <commctrl.h>
#include <dbt.h>
#include <mmsystem.h>

#include "app/about_dialog_win.h"
#include "app/busy_guard.h"
#include "app/command_line.h"
#include "jobs/log_window_win.h"
#include "jobs/processing_log.h"
#include "jobs/processing_window_win.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"

CMainWindow::CMainWindow(CAppSettings& settings, IDeviceIo& io, ICdAudioService& cdAudio, IRegistryKey& settingsKey,
                         AccessPath accessPath, std::string commandLine)
    : CDialog(IDD_MAIN, nullptr),
      settings_(settings),
      io_(io),
      settingsKey_(settingsKey),
      accessPath_(accessPath),
      commandLine_(std::move(commandLine)),
      commands_(io),
      cdrom_(io, commands_),
      player_(cdAudio),
      playback_(player_, list_, record_),
      disc_(settings, commands_, cdrom_, record_, list_, playback_),
      frame_(settings, list_),
      jobs_(settings, commands_, encoder_, cdrom_, record_, list_, busy_),
      listCommands_(list_, record_, busy_),
      desktop_(settings, busy_),
      cddb_(settings, busy_, record_, list_, cdrom_, player_),
      options_({&settings, &settingsKey, &encoder_, &commands_, &cdrom_, &disc_, &playback_, &cddb_, &autoPlay_, &record_},
               busy_),
      requests_(area_, *this, settings, jobs_.InputFiles()) {}

bool CMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  using M = CMainWindow;
  static const MESSAGE_MAP_ENTRY<CMainWindow> map[] = {
      {UM_EXTRACT_REQUEST, 0, &M::OnExtractRequest},
      {UM_COME_TO_FRONT, 0, &M::OnComeToFront},
      {UM_DECODE_REQUEST, 0, &M::OnDecodeRequest},
      {UM_ENCODE_REQUEST, 0, &M::OnEncodeRequest},
      {UM_START_EXTRACT, 0, &M::OnStartExtract},
      {WM_SYSCOMMAND, 0, &M::OnSysCommand},
      {WM_DEVICECHANGE, 0, &M::OnDeviceChange},
      {WM_DESTROY, 0, &M::OnDestroyWindow},
      {UM_START_JOB, 0, &M::OnStartJob},
      {UM_ABORT_JOB, 0, &M::OnAbortJob},
      {UM_LOG_LINE, 0, &M::OnLogLine},
      {UM_LAUNCH_MP3_PLAYER, 0, &M::OnLaunchMp3Player},
      {WM_NOTIFY, IDC_TRACK_LIST, &M::OnListNotify},
      {WM_TIMER, 0, &M::OnTimer},
      {MM_MCINOTIFY, 0, &M::OnPlayEnded},
      {WM_HSCROLL, 0, &M::OnSliderScroll},
      {UM_SEEK_POSITION, 0, &M::OnSeekPosition},
      {UM_VOLUME_POSITION, 0, &M::OnVolumePosition},
      {WM_COMMAND, ID_ACTION_PLAY, &M::OnPlaybackCommand},
      {WM_COMMAND, IDC_BTN_PLAY, &M::OnPlaybackCommand},
      {WM_COMMAND, ID_ACTION_STOP, &M::OnPlaybackCommand},
      {WM_COMMAND, IDC_BTN_STOP, &M::OnPlaybackCommand},
      {WM_COMMAND, ID_ACTION_PREVIOUS, &M::OnPlaybackCommand},
      {WM_COMMAND, IDC_BTN_PREVIOUS, &M::OnPlaybackCommand},
      {WM_COMMAND, ID_ACTION_NEXT, &M::OnPlaybackCommand},
      {WM_COMMAND, IDC_BTN_NEXT, &M::OnPlaybackCommand},
      {WM_COMMAND, IDC_BTN_PAUSE, &M::OnPlaybackCommand},
      {WM_COMMAND, ID_FILE_CLOSE_TRAY, &M::OnCloseTray},
      {WM_COMMAND, ID_EDIT_OPTIONS, &M::OnOptions},
      {WM_COMMAND, IDC_BTN_OPTIONS, &M::OnOptions},
      {WM_COMMAND, IDC_MENU_FILE, &M::OnMenuTitle},
      {WM_COMMAND, IDC_MENU_EDIT, &M::OnMenuTitle},
      {WM_COMMAND, IDC_MENU_ACTION, &M::OnMenuTitle},
      {WM_COMMAND, IDC_MENU_HELP, &M::OnMenuTitle},
      {WM_COMMAND, IDC_BTN_MINIMIZE, &M::OnMinimize},
      {WM_COMMAND, ID_FILE_EXIT, &M::OnExit},
      {WM_COMMAND, IDC_BTN_EXIT, &M::OnExit},
      {WM_COMMAND, ID_HELP_ABOUT, &M::OnAbout},
      {WM_COMMAND, ID_ACTION_EXTRACT, &M::OnExtract},
      {WM_COMMAND, IDC_BTN_EXTRACT, &M::OnExtract},
      {WM_COMMAND, ID_ACTION_REFRESH_TOC, &M::OnRefreshToc},
      {WM_COMMAND, ID_FILE_ENCODE, &M::OnFileCommand},
      {WM_COMMAND, ID_FILE_DECODE, &M::OnFileCommand},
      {WM_COMMAND, ID_FILE_NORMALIZE, &M::OnFileCommand},
      {WM_COMMAND, ID_FILE_VIEW_LOG, &M::OnViewLog},
      {WM_COMMAND, ID_EDIT_ID3TAG, &M::OnId3Tag},
      {WM_COMMAND, ID_EDIT_RENAME, &M::OnRename},
      {WM_COMMAND, IDC_BTN_RENAME, &M::OnRename},
      {WM_COMMAND, ID_LIST_RENAME, &M::OnRename},
      {WM_COMMAND, IDC_BTN_MOVE_FIRST, &M::OnMove},
      {WM_COMMAND, IDC_BTN_MOVE_UP, &M::OnMove},
      {WM_COMMAND, IDC_BTN_MOVE_DOWN, &M::OnMove},
      {WM_COMMAND, IDC_BTN_MOVE_LAST, &M::OnMove},
      {WM_COMMAND, ID_EDIT_UPPER_CASE, &M::OnChangeCase},
      {WM_COMMAND, ID_EDIT_LOWER_CASE, &M::OnChangeCase},
      {WM_COMMAND, ID_EDIT_CAPITALIZE, &M::OnChangeCase},
      {WM_COMMAND, ID_EDIT_COPY, &M::OnCopyToClipboard},
      {WM_COMMAND, ID_FILE_OPEN_OUTPUT, &M::OnOpenOutputFolder},
      {WM_COMMAND, IDC_BTN_OPEN_OUTPUT, &M::OnOpenOutputFolder},
      {WM_COMMAND, ID_FILE_EJECT, &M::OnEject},
      {WM_COMMAND, IDC_BTN_EJECT, &M::OnEject},
      {WM_COMMAND, ID_ACTION_VOLUME, &M::OnVolumeControl},
      {WM_COMMAND, ID_HELP_CONTENTS, &M::OnHelpContents},
      {WM_COMMAND, ID_HELP_HOME_PAGE, &M::OnWebPage},
      {WM_COMMAND, IDC_BTN_HOME_PAGE, &M::OnWebPage},
      {WM_COMMAND, ID_HELP_CDDB_HOME, &M::OnWebPage},
      {WM_COMMAND, ID_ACTION_QUERY_CDDB, &M::OnQueryCddb},
      {WM_COMMAND, IDC_BTN_QUERY_CDDB, &M::OnQueryCddb},
      {WM_COMMAND, ID_HELP_REGISTER_CDDB, &M::OnRegisterCddb},
      {WM_COMMAND, ID_ACTION_SUBMIT_CDDB, &M::OnSubmitCddb},
      {WM_COMMAND, ID_ACTION_MUSIC_BROWSER, &M::OnMusicBrowser},
      {UM_BROWSE_START, 0, &M::OnBrowseStart},
      {UM_BROWSE_END, 0, &M::OnBrowseEnd},
      {WM_COMMAND, ID_FILE_MP3_PLAYER, &M::OnMp3Player},
      {WM_COMMAND, IDC_BTN_MP3_PLAYER, &M::OnMp3Player},
      {WM_COMMAND, ID_EDIT_SELECT_ALL, &M::OnSelectionCommand},
      {WM_COMMAND, ID_LIST_SELECT_ALL, &M::OnSelectionCommand},
      {WM_COMMAND, ID_EDIT_SELECT_NONE, &M::OnSelectionCommand},
      {WM_COMMAND, ID_LIST_SELECT_NONE, &M::OnSelectionCommand},
      {WM_COMMAND, ID_EDIT_INVERT, &M::OnSelectionCommand},
      {WM_COMMAND, ID_LIST_INVERT, &M::OnSelectionCommand},
  };
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
  if (frame_.HandleMessage(message, wParam, lParam, result)) return true;
  return Route(this, map, message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------
// Start-up

BOOL CMainWindow::OnInitDialog() {
  SetWindowTextA(Handle(), "Cantaro Maker");
  HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
  if (systemMenu) {
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, LoadResourceString(IDS_ABOUTBOX).c_str());
  }
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  frame_.Create(Handle());
  jobs_.SetOwner(Handle());
  jobs_.SetBeforeCdJob([this] { playback_.Stop(); });
  jobs_.SetFileDialogOptions([this](HWND dialog) { options_.RunWhileBusy(dialog); });
  options_.SetOwner(Handle());
  playback_.SetOwner(Handle());
  listCommands_.SetOwner(Handle());
  disc_.SetOwner(Handle());
  desktop_.SetOwner(Handle());
  RunStartUpSequence();
  return TRUE;
}

bool CMainWindow::RunStartUpSequence() {
  char modulePath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
  std::string programFolder = modulePath;
  programFolder.resize(programFolder.rfind('\\') + 1);
  settings_.Load(settingsKey_, programFolder, [this](int id) { ShowMessage(Handle(), static_cast<UINT>(id)); });
  list_.Attach(Item(IDC_TRACK_LIST), settings_);
  if (!LayOutWindow()) return false;
  SetUpPlaybackControls();
  encoder_.loadedIndex = settings_.MP3Encoder;
  if (!encoder_.LoadEncoder(settings_.MP3Encoder)) ShowMessage(Handle(), IDS_NO_ENCODE_DLL);
  if (!ChooseAndOpenDrive()) return false;
  cddb_.SetUpCddbSession(Handle());
  disc_.Read();
  desktop_.LookUpSystemMp3Player();
  autoPlay_.SuppressAtStart(settings_.DisableAutoPlay == 1);
  SetDlgItemTextA(Handle(), IDC_PLAY_TIME, "00:00");
  ShowWindow(Handle(), SW_SHOW);
  requests_.RegisterWindow();
  if (!commandLine_.empty()) ApplyCommandLineTracksAndFolder();
  requests_.PickUpWaitingRequest();
  initialised_ = true;
  return true;
}

bool CMainWindow::LayOutWindow() {
  if (!MoveWindow(Handle(), settings_.WindowLeft, settings_.WindowTop, settings_.WindowWidth, settings_.WindowHeight,
                  FALSE))
    return false;
  const int widths[4] = {settings_.ColumnWidth1, settings_.ColumnWidth2, settings_.ColumnWidth3,
                         settings_.ColumnWidth4};
  list_.CreateColumns(widths);
  frame_.ApplyLayout();
  return true;
}

void CMainWindow::SetUpPlaybackControls() {
  HWND tooltip =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  const struct {
    int control;
    UINT text;
  } tips[2] = {{IDC_SEEK_SLIDER, IDS_SEEK_TOOLTIP}, {IDC_VOLUME_SLIDER, IDS_VOLUME_TOOLTIP}};
  for (const auto& tip : tips) {
    std::string text = LoadResourceString(tip.text);
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = Handle();
    info.uId = reinterpret_cast<UINT_PTR>(Item(tip.control));
    info.lpszText = text.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  }
  SetUpVolumeSlider();
}

// The slider spans the master volume's own range; without a mixer it
// stays at 0..0 and moving it does nothing.
void CMainWindow::SetUpVolumeSlider() {
  volume_ = std::make_unique<CVolumeOutMaster>();
  LPARAM minimum = 0;
  LPARAM maximum = 0;
  LPARAM position = 0;
  if (volume_->IsAvailable()) {
    volume_->EnableLine();
    minimum = static_cast<LPARAM>(volume_->GetMinimum());
    maximum = static_cast<LPARAM>(volume_->GetMaximum());
    position = static_cast<LPARAM>(volume_->GetCurrentVolume());
  }
  SendDlgItemMessageA(Handle(), IDC_VOLUME_SLIDER, TBM_SETRANGEMIN, FALSE, minimum);
  SendDlgItemMessageA(Handle(), IDC_VOLUME_SLIDER, TBM_SETRANGEMAX, FALSE, maximum);
  SendDlgItemMessageA(Handle(), IDC_VOLUME_SLIDER, TBM_SETPOS, TRUE, position);
}

bool CMainWindow::ChooseAndOpenDrive() {
  cdrom_.EnumerateDrives();
  if (cdrom_.DriveCount() == 0) {
    ShowMessage(Handle(), IDS_NO_CDROM);
    return false;
  }
  cdrom_.ChooseStartUnit(settings_.CDROMDriver, FindDriveOption(commandLine_));
  commands_.retryTimes = settings_.RetryTimes;
  if (!cdrom_.OpenDevice(accessPath_, settings_.DeviceType)) {
    ShowMessage(Handle(), IDS_CANT_OPEN_CDROM);
    return false;
  }
  disc_.ShowDriveLabel();
  return true;
}

void CMainWindow::ApplyCommandLineTracksAndFolder() {
  COMMAND_LINE_OPTIONS options = ParseTrackAndFolderOptions(commandLine_);
  // A folder that cannot be created leaves the session output folder as it was.
  if (options.hasFolder)
    TrySetSessionOutputFolder(settings_, options.folder);
  else
    settings_.sessionOutputFolder = NormaliseFolder(settings_.OutputFolder);
  if (options.tracks.empty()) return;
  for (int row = 0; row < RowCount(); ++row) SetRowChecked(row, false);
  std::vector<int> rows = RowsForTrackNumbers(options.tracks, RowCount());
  for (int row : rows) SetRowChecked(row, true);
  if (!rows.empty()) PostStartExtract(0);
}

// ---------------------------------------------------------------------------
// Requests through the exchange area

void CMainWindow::ComeToFront() {
  if (IsIconic(Handle())) {
    ShowWindow(Handle(), SW_RESTORE);
    return;
  }
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

uint32_t CMainWindow::WindowHandle() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Handle())); }

bool CMainWindow::SwitchToDrive(char letter) {
  int index = cdrom_.IndexOfLetter(letter);
  if (index < 0 || !cdrom_.ChangeUnit(index)) return false;
  settings_.CDROMDriver = index;
  disc_.Read();
  disc_.ShowDriveLabel();
  return true;
}

void CMainWindow::PostStartExtract(int repaintFlag) {
  PostMessageA(Handle(), UM_START_EXTRACT, static_cast<WPARAM>(repaintFlag), 0);
}

void CMainWindow::PostFileRequest(bool decode) {
  PostMessageA(Handle(), decode ? UM_DECODE_REQUEST : UM_ENCODE_REQUEST, 0, 0);
}

void CMainWindow::RunFileJob(size_t fileCount, bool decode) {
  jobs_.RunProcessingWindow(decode ? JOB_KIND::DecodeFiles : JOB_KIND::EncodeFiles, fileCount);
}

LRESULT CMainWindow::OnExtractRequest(WPARAM, LPARAM) {
  requests_.OnExtractRequest();
  return 0;
}

LRESULT CMainWindow::OnComeToFront(WPARAM, LPARAM) {
  ComeToFront();
  return 0;
}

LRESULT CMainWindow::OnDecodeRequest(WPARAM, LPARAM) {
  requests_.OnFileRequest(true);
  return 0;
}

LRESULT CMainWindow::OnEncodeRequest(WPARAM, LPARAM) {
  requests_.OnFileRequest(false);
  return 0;
}

LRESULT CMainWindow::OnStartExtract(WPARAM wParam, LPARAM) {
  if (wParam == 0)
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  jobs_.RunExtract();
  return 0;
}

// ---------------------------------------------------------------------------
// Media arrival and removal

LRESULT CMainWindow::OnDeviceChange(WPARAM wParam, LPARAM lParam) {
  if ((wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) || lParam == 0) return TRUE;
  const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header->dbch_devicetype != DBT_DEVTYP_VOLUME) return TRUE;
  const DEV_BROADCAST_VOLUME* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam);
  char letter = MediaChangeLetter(volume->dbcv_devicetype, volume->dbcv_flags, volume->dbcv_unitmask);
  disc_.OnMediaChange(wParam == DBT_DEVICEARRIVAL, letter);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Jobs and the log

LRESULT CMainWindow::OnStartJob(WPARAM wParam, LPARAM lParam) {
  jobs_.StartJob(wParam, lParam);
  return 0;
}

LRESULT CMainWindow::OnAbortJob(WPARAM, LPARAM) {
  jobs_.Abort();
  return 0;
}

LRESULT CMainWindow::OnLogLine(WPARAM wParam, LPARAM) {
  if (wParam) ProcessLog().Append(reinterpret_cast<const char*>(wParam));
  return 0;
}

LRESULT CMainWindow::OnLaunchMp3Player(WPARAM, LPARAM) {
  desktop_.LaunchMp3Player();
  return 0;
}

LRESULT CMainWindow::OnListNotify(WPARAM, LPARAM lParam) {
  if (reinterpret_cast<const NMHDR*>(lParam)->code == NM_DBLCLK) listCommands_.Rename();
  return 0;
}

// ---------------------------------------------------------------------------
// Commands

LRESULT CMainWindow::OnMenuTitle(WPARAM wParam, LPARAM) {
  frame_.OpenMenuOfButton(LOWORD(wParam));
  return 0;
}

LRESULT CMainWindow::OnMinimize(WPARAM, LPARAM) {
  ShowWindow(Handle(), SW_MINIMIZE);
  return 0;
}

LRESULT CMainWindow::OnExit(WPARAM, LPARAM) {
  OnOK();
  return 0;
}

LRESULT CMainWindow::OnAbout(WPARAM, LPARAM) {
  CBusyGuard busy(busy_);
  if (busy.Held()) CAboutDialog(Handle(), encoder_).DoModal();
  return 0;
}

LRESULT CMainWindow::OnSysCommand(WPARAM, LPARAM) { return OnAbout(0, 0); }

LRESULT CMainWindow::OnExtract(WPARAM, LPARAM) {
  jobs_.RunExtract();
  return 0;
}

LRESULT CMainWindow::OnRefreshToc(WPARAM, LPARAM) {
  if (!busy_) disc_.Read();
  return 0;
}

LRESULT CMainWindow::OnFileCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case ID_FILE_DECODE: jobs_.RunFileCommand(JOB_KIND::DecodeFiles); break;
    case ID_FILE_NORMALIZE: jobs_.RunFileCommand(JOB_KIND::NormalizeFiles); break;
    default: jobs_.RunFileCommand(JOB_KIND::EncodeFiles); break;
  }
  return 0;
}

LRESULT CMainWindow::OnViewLog(WPARAM, LPARAM) {
  CBusyGuard busy(busy_);
  if (busy.Held()) ShowLogWindow(Handle());
  return 0;
}

LRESULT CMainWindow::OnId3Tag(WPARAM, LPARAM) {
  listCommands_.EditId3Tags();
  return 0;
}

LRESULT CMainWindow::OnRename(WPARAM, LPARAM) {
  listCommands_.Rename();
  return 0;
}

LRESULT CMainWindow::OnMove(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case IDC_BTN_MOVE_FIRST: listCommands_.Move(MOVE_KIND::First); break;
    case IDC_BTN_MOVE_UP: listCommands_.Move(MOVE_KIND::Up); break;
    case IDC_BTN_MOVE_DOWN: listCommands_.Move(MOVE_KIND::Down); break;
    default: listCommands_.Move(MOVE_KIND::Last); break;
  }
  return 0;
}

LRESULT CMainWindow::OnChangeCase(WPARAM wParam, LPARAM) {
  listCommands_.ChangeCase(LOWORD(wParam));
  return 0;
}

LRESULT CMainWindow::OnCopyToClipboard(WPARAM, LPARAM) {
  listCommands_.CopyToClipboard();
  return 0;
}

LRESULT CMainWindow::OnSelectionCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case ID_EDIT_SELECT_ALL:
    case ID_LIST_SELECT_ALL: listCommands_.SetAllChecks(1); break;
    case ID_EDIT_SELECT_NONE:
    case ID_LIST_SELECT_NONE: listCommands_.SetAllChecks(0); break;
    default: listCommands_.SetAllChecks(-1); break;
  }
  return 0;
}

LRESULT CMainWindow::OnOpenOutputFolder(WPARAM, LPARAM) {
  desktop_.OpenOutputFolder();
  return 0;
}

LRESULT CMainWindow::OnVolumeControl(WPARAM, LPARAM) {
  desktop_.OpenVolumeControl();
  return 0;
}

LRESULT CMainWindow::OnHelpContents(WPARAM, LPARAM) {
  desktop_.OpenHelpContents();
  return 0;
}

LRESULT CMainWindow::OnWebPage(WPARAM wParam, LPARAM) {
  desktop_.OpenWebPage(LOWORD(wParam) == ID_HELP_CDDB_HOME);
  return 0;
}

LRESULT CMainWindow::OnQueryCddb(WPARAM, LPARAM) {
  cddb_.QueryCddb(Handle());
  return 0;
}

LRESULT CMainWindow::OnSubmitCddb(WPARAM, LPARAM) {
  cddb_.SubmitToCddb(Handle());
  return 0;
}

LRESULT CMainWindow::OnMusicBrowser(WPARAM, LPARAM) {
  cddb_.MusicBrowser(Handle());
  return 0;
}

LRESULT CMainWindow::OnBrowseStart(WPARAM wParam, LPARAM) {
  cddb_.StartBrowseLookup(reinterpret_cast<HWND>(wParam));
  return 0;
}

LRESULT CMainWindow::OnBrowseEnd(WPARAM, LPARAM) {
  cddb_.EndBrowseLookup();
  return 0;
}

LRESULT CMainWindow::OnRegisterCddb(WPARAM, LPARAM) {
  cddb_.RegisterWithCddb(Handle());
  return 0;
}

LRESULT CMainWindow::OnMp3Player(WPARAM, LPARAM) {
  desktop_.DefaultMp3Player();
  return 0;
}

LRESULT CMainWindow::OnEject(WPARAM, LPARAM) {
  disc_.Eject();
  return 0;
}

LRESULT CMainWindow::OnOptions(WPARAM, LPARAM) {
  options_.Run();
  return 0;
}

LRESULT CMainWindow::OnCloseTray(WPARAM, LPARAM) {
  playback_.CloseTray();
  return 0;
}

// ---------------------------------------------------------------------------
// CD playback

LRESULT CMainWindow::OnPlaybackCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case ID_ACTION_PLAY:
    case IDC_BTN_PLAY: playback_.Play(); break;
    case ID_ACTION_STOP:
    case IDC_BTN_STOP: playback_.Stop(); break;
    case ID_ACTION_PREVIOUS:
    case IDC_BTN_PREVIOUS: playback_.Previous(); break;
    case ID_ACTION_NEXT:
    case IDC_BTN_NEXT: playback_.Next(); break;
    default: playback_.Pause(); break;
  }
  return 0;
}

LRESULT CMainWindow::OnTimer(WPARAM wParam, LPARAM) {
  if (wParam == kPlaybackTimer) playback_.OnTimer();
  return 0;
}

LRESULT CMainWindow::OnPlayEnded(WPARAM wParam, LPARAM) {
  playback_.OnPlayEnded(wParam);
  return 0;
}

LRESULT CMainWindow::OnSliderScroll(WPARAM wParam, LPARAM lParam) {
  ForwardSliderScroll(Handle(), wParam, lParam);
  return 0;
}

LRESULT CMainWindow::OnSeekPosition(WPARAM wParam, LPARAM lParam) {
  playback_.OnSeek(static_cast<int>(wParam), lParam != 0);
  return 0;
}

LRESULT CMainWindow::OnVolumePosition(WPARAM wParam, LPARAM) {
  if (volume_) volume_->SetCurrentVolume(static_cast<int64_t>(wParam));
  return 0;
}

bool CMainWindow::PreTranslateMessage(MSG& msg) {
  // Accelerators belong to the main window alone, not to its dialogs.
  if (!accelerators_ || GetActiveWindow() != Handle()) return false;
  return TranslateAcceleratorA(Handle(), accelerators_, &msg) != 0;
}

// ---------------------------------------------------------------------------
// Closing

MAIN_WINDOW_GEOMETRY CMainWindow::CurrentGeometry() const {
  MAIN_WINDOW_GEOMETRY geometry;
  RECT rect;
  GetWindowRect(Handle(), &rect);
  geometry.left = rect.left;
  geometry.top = rect.top;
  geometry.width = rect.right - rect.left;
  geometry.height = rect.bottom - rect.top;
  for (int i = 0; i < 4; ++i) geometry.columnWidths[i] = list_.ColumnWidth(i);
  return geometry;
}

LRESULT CMainWindow::OnDestroyWindow(WPARAM, LPARAM) {
  // The disc's texts first, before anything is shut down; then AutoPlay
  // and the settings.
  if (initialised_) disc_.WriteCache();
  playback_.CloseDevice();
  volume_.reset();
  autoPlay_.Restore();
  settings_.Save(settingsKey_, CurrentGeometry());
  cdrom_.Close();
  encoder_.Unload();
  list_.Release();
  frame_.Destroy();
  return 0;
}
