#include "app/main_window.h"

#include <commctrl.h>

#include "app/command_line.h"
#include "app/mp3_player_win.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"


CMainWindow::CMainWindow(CAppSettings& settings, IDeviceIo& io, IRegistryKey& settingsKey,
                         std::string commandLine)
    : CDialog(IDD_MAIN, nullptr),
      settings_(settings),
      io_(io),
      settingsKey_(settingsKey),
      commandLine_(std::move(commandLine)),
      requests_(area_, *this, settings, inputFiles_) {}

bool CMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const MESSAGE_MAP_ENTRY<CMainWindow> map[] = {
      {UM_EXTRACT_REQUEST, 0, &CMainWindow::OnExtractRequest},
      {UM_COME_TO_FRONT, 0, &CMainWindow::OnComeToFront},
      {UM_DECODE_REQUEST, 0, &CMainWindow::OnDecodeRequest},
      {UM_ENCODE_REQUEST, 0, &CMainWindow::OnEncodeRequest},
      {UM_START_EXTRACT, 0, &CMainWindow::OnStartExtract},
      {WM_SYSCOMMAND, 0, &CMainWindow::OnSysCommand},
      {WM_DESTROY, 0, &CMainWindow::OnDestroyWindow},
      {WM_COMMAND, ID_ACTION_EXTRACT, &CMainWindow::OnExtract},
      {WM_COMMAND, ID_HELP_ABOUT, &CMainWindow::OnAbout},
      {WM_COMMAND, ID_FILE_EXIT, &CMainWindow::OnExit},
  };
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
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
  RunStartUpSequence();
  return TRUE;
}

bool CMainWindow::RunStartUpSequence() {
  char modulePath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
  std::string programFolder = modulePath;
  programFolder.resize(programFolder.rfind('\\') + 1);
  settings_.Load(settingsKey_, programFolder,
                 [this](int id) { ShowMessage(Handle(), static_cast<UINT>(id)); });
  if (!LayOutWindow()) return false;
  SetUpPlaybackControls();
  encoder_.loadedIndex = settings_.MP3Encoder;
  if (!encoder_.LoadEncoder(settings_.MP3Encoder)) ShowMessage(Handle(), IDS_NO_ENCODE_DLL);
  if (!ChooseAndOpenDrive()) return false;
  // The CDDB session, the disc cache and CD audio arrive with their
  // subsystems; reading the disc fills the track list.
  ReadDisc();
  systemMp3Player_ = FindSystemMp3Player();
  SetDlgItemTextA(Handle(), IDC_PLAY_TIME, "00:00");
  ShowWindow(Handle(), SW_SHOW);
  requests_.RegisterWindow();
  if (!commandLine_.empty()) ApplyCommandLineTracksAndFolder();
  requests_.PickUpWaitingRequest();
  initialised_ = true;
  return true;
}

bool CMainWindow::LayOutWindow() {
  if (!MoveWindow(Handle(), settings_.WindowLeft, settings_.WindowTop, settings_.WindowWidth,
                  settings_.WindowHeight, FALSE))
    return false;
  HWND list = Item(IDC_TRACK_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const struct {
    UINT heading;
    int width;
  } columns[4] = {{IDS_COLUMN_NO, settings_.ColumnWidth1},
                  {IDS_COLUMN_TITLE, settings_.ColumnWidth2},
                  {IDS_COLUMN_LENGTH, settings_.ColumnWidth3},
                  {IDS_COLUMN_SIZE, settings_.ColumnWidth4}};
  for (int i = 0; i < 4; ++i) {
    std::string heading = LoadResourceString(columns[i].heading);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
    column.cx = columns[i].width;
    column.pszText = heading.data();
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  RECT client;
  GetClientRect(Handle(), &client);
  int w = client.right, h = client.bottom;
  MoveWindow(list, 27, 62, w - 55, h - 118, FALSE);
  MoveWindow(Item(IDC_DRIVE_LABEL), 27, h - 22, w - 120, 20, FALSE);
  MoveWindow(Item(IDC_PLAY_TIME), w - 65, h - 22, 52, 20, FALSE);
  MoveWindow(Item(IDC_VOLUME_SLIDER), 47, h - 42, 115, 16, FALSE);
  MoveWindow(Item(IDC_SEEK_SLIDER), 196, h - 42, w - 320, 16, FALSE);
  return true;
}

void CMainWindow::SetUpPlaybackControls() {
  HWND tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
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
  SendDlgItemMessageA(Handle(), IDC_VOLUME_SLIDER, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
}

bool CMainWindow::ChooseAndOpenDrive() {
  drives_ = FindCdromDrives(io_);
  if (drives_.empty()) {
    ShowMessage(Handle(), IDS_NO_CDROM);
    return false;
  }
  size_t index = settings_.CDROMDriver >= 0 && static_cast<size_t>(settings_.CDROMDriver) < drives_.size()
                     ? static_cast<size_t>(settings_.CDROMDriver)
                     : 0;
  currentDrive_ = drives_[index];
  char requested = commandLine_.empty() ? 0 : FindDriveOption(commandLine_);
  if (requested && HasDrive(requested)) currentDrive_ = requested;
  if (!OpenDevice(currentDrive_, device_)) {
    ShowMessage(Handle(), IDS_CANT_OPEN_CDROM);
    return false;
  }
  return true;
}

bool CMainWindow::OpenDevice(char letter, DeviceHandle& device) {
  std::string path = Format("\\\\.\\%c:", letter);
  device = io_.Open(path, true);
  if (device == kInvalidDevice) device = io_.Open(path, false);
  return device != kInvalidDevice;
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

void CMainWindow::ReadDisc() { ClearTrackList(); }

void CMainWindow::ClearTrackList() { ListView_DeleteAllItems(Item(IDC_TRACK_LIST)); }

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

uint32_t CMainWindow::WindowHandle() const {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Handle()));
}

bool CMainWindow::HasDrive(char letter) const {
  for (char d : drives_)
    if (d == letter) return true;
  return false;
}

bool CMainWindow::SwitchToDrive(char letter) {
  if (!HasDrive(letter)) return false;
  DeviceHandle device = kInvalidDevice;
  if (!OpenDevice(letter, device)) return false;
  io_.Close(device_);
  device_ = device;
  currentDrive_ = letter;
  for (size_t i = 0; i < drives_.size(); ++i)
    if (drives_[i] == letter) settings_.CDROMDriver = static_cast<int32_t>(i);
  ReadDisc();
  return true;
}

int CMainWindow::RowCount() const { return ListView_GetItemCount(Item(IDC_TRACK_LIST)); }

int CMainWindow::RowTrackIndex(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(Item(IDC_TRACK_LIST), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<int>(item.lParam);
}

void CMainWindow::SetRowChecked(int row, bool checked) {
  ListView_SetCheckState(Item(IDC_TRACK_LIST), row, checked ? TRUE : FALSE);
}

void CMainWindow::PostStartExtract(int repaintFlag) {
  PostMessageA(Handle(), UM_START_EXTRACT, static_cast<WPARAM>(repaintFlag), 0);
}

void CMainWindow::PostFileRequest(bool decode) {
  PostMessageA(Handle(), decode ? UM_DECODE_REQUEST : UM_ENCODE_REQUEST, 0, 0);
}

void CMainWindow::RunFileJob(size_t fileCount, bool decode) {
  // The processing window takes the input file list once the job runner
  // exists; until then the request ends with the list filled.
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
  if (wParam == 0) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return OnExtract(0, 0);
}

// ---------------------------------------------------------------------------
// Commands

LRESULT CMainWindow::OnExtract(WPARAM, LPARAM) {
  if (busy_) return 0;
  busy_ = true;
  int checked = 0;
  for (int row = 0; row < RowCount(); ++row)
    if (ListView_GetCheckState(Item(IDC_TRACK_LIST), row)) ++checked;
  if (checked == 0) ShowMessage(Handle(), IDS_SELECT_ONE_ITEM);
  busy_ = false;
  return 0;
}

LRESULT CMainWindow::OnAbout(WPARAM, LPARAM) {
  if (busy_) return 0;
  busy_ = true;
  CDialog about(IDD_ABOUT, Handle());
  about.DoModal();
  busy_ = false;
  return 0;
}

LRESULT CMainWindow::OnSysCommand(WPARAM, LPARAM) { return OnAbout(0, 0); }

LRESULT CMainWindow::OnExit(WPARAM, LPARAM) {
  OnOK();
  return 0;
}

void CMainWindow::OnOK() { EndDialog(IDOK); }

void CMainWindow::OnCancel() { EndDialog(IDCANCEL); }

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
  for (int i = 0; i < 4; ++i)
    geometry.columnWidths[i] = ListView_GetColumnWidth(Item(IDC_TRACK_LIST), i);
  return geometry;
}

LRESULT CMainWindow::OnDestroyWindow(WPARAM, LPARAM) {
  // The disc cache, CD playback and AutoPlay join this order with their
  // subsystems: cache, playback, AutoPlay, then the settings.
  io_.Close(device_);
  device_ = kInvalidDevice;
  settings_.Save(settingsKey_, CurrentGeometry());
  encoder_.Unload();
  return 0;
}
