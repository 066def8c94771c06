#include "app/main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dbt.h>
#include <windowsx.h>

#include "app/about_dialog_win.h"
#include "app/command_line.h"
#include "app/job_settings.h"
#include "app/mp3_player_win.h"
#include "discinfo/disc_cache.h"
#include "discinfo/id3_editor_win.h"
#include "jobs/extraction.h"
#include "jobs/job_report_win.h"
#include "jobs/mp3_decoding.h"
#include "jobs/mp3_encoding.h"
#include "jobs/normalize.h"
#include "jobs/processing_log.h"
#include "jobs/log_window_win.h"
#include "jobs/processing_window_win.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"

namespace {

const int kMenuTitleIds[MENU_TITLE_COUNT] = {IDC_MENU_FILE, IDC_MENU_EDIT, IDC_MENU_ACTION, IDC_MENU_HELP};

const SKIN_BUTTON kButtons[] = {
    {IDC_BTN_OPTIONS, SkinGlyph::Options, 147, nullptr},
    {IDC_BTN_QUERY_CDDB, SkinGlyph::QueryCddb, 104, nullptr},
    {IDC_BTN_MP3_PLAYER, SkinGlyph::Mp3Player, 106, nullptr},
    {IDC_BTN_OPEN_OUTPUT, SkinGlyph::OpenFolder, 108, nullptr},
    {IDC_BTN_EXIT, SkinGlyph::Exit, 110, nullptr},
    {IDC_BTN_RENAME, SkinGlyph::Rename, 122, nullptr},
    {IDC_BTN_MOVE_FIRST, SkinGlyph::MoveFirst, 125, nullptr},
    {IDC_BTN_MOVE_UP, SkinGlyph::MoveUp, 127, nullptr},
    {IDC_BTN_MOVE_DOWN, SkinGlyph::MoveDown, 129, nullptr},
    {IDC_BTN_MOVE_LAST, SkinGlyph::MoveLast, 131, nullptr},
    {IDC_BTN_EXTRACT, SkinGlyph::Extract, 133, nullptr},
    {IDC_BTN_HOME_PAGE, SkinGlyph::Text, 0, "Cantaro Maker"},
    {IDC_BTN_MINIMIZE, SkinGlyph::Minimize, 57673, nullptr},
    {IDC_BTN_PREVIOUS, SkinGlyph::Previous, 135, nullptr},
    {IDC_BTN_PLAY, SkinGlyph::Play, 137, nullptr},
    {IDC_BTN_PAUSE, SkinGlyph::Pause, 139, nullptr},
    {IDC_BTN_STOP, SkinGlyph::Stop, 141, nullptr},
    {IDC_BTN_EJECT, SkinGlyph::Eject, 143, nullptr},
    {IDC_BTN_NEXT, SkinGlyph::Next, 145, nullptr},
    {IDC_MENU_FILE, SkinGlyph::Text, 113, "File"},
    {IDC_MENU_EDIT, SkinGlyph::Text, 115, "Edit"},
    {IDC_MENU_ACTION, SkinGlyph::Text, 117, "Action"},
    {IDC_MENU_HELP, SkinGlyph::Text, 119, "Help"},
};

// The command a skinned button stands for.
int CommandOfButton(int id) {
  switch (id) {
    case IDC_BTN_OPTIONS: return ID_EDIT_OPTIONS;
    case IDC_BTN_QUERY_CDDB: return ID_ACTION_QUERY_CDDB;
    case IDC_BTN_MP3_PLAYER: return ID_FILE_MP3_PLAYER;
    case IDC_BTN_OPEN_OUTPUT: return ID_FILE_OPEN_OUTPUT;
    case IDC_BTN_EXIT: return ID_FILE_EXIT;
    case IDC_BTN_RENAME: return ID_EDIT_RENAME;
    case IDC_BTN_EXTRACT: return ID_ACTION_EXTRACT;
    case IDC_BTN_HOME_PAGE: return ID_HELP_HOME_PAGE;
    case IDC_BTN_PREVIOUS: return ID_ACTION_PREVIOUS;
    case IDC_BTN_PLAY: return ID_ACTION_PLAY;
    case IDC_BTN_STOP: return ID_ACTION_STOP;
    case IDC_BTN_EJECT: return ID_FILE_EJECT;
    case IDC_BTN_NEXT: return ID_ACTION_NEXT;
    default: return id;
  }
}

// While a popup of the emulated menu bar is open, moving onto another title
// swaps the popup: the hook ends the menu and the window posts itself a
// press with x = -1 and the title's slide code as y.
HHOOK g_menuHook = nullptr;
HWND g_menuWindow = nullptr;
MENU_TITLE g_openTitle = MENU_TITLE_COUNT;

LRESULT CALLBACK MenuSlideHook(int code, WPARAM wParam, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (code == MSGF_MENU && msg->message == WM_MOUSEMOVE && g_menuWindow) {
    POINT p = {GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
    ClientToScreen(msg->hwnd, &p);
    ScreenToClient(g_menuWindow, &p);
    RECT client;
    GetClientRect(g_menuWindow, &client);
    MAIN_LAYOUT layout = ComputeMainLayout(client.right, client.bottom);
    for (int t = 0; t < MENU_TITLE_COUNT; ++t) {
      if (t == g_openTitle || !layout.menuTitles[t].Contains(p.x, p.y)) continue;
      EndMenu();
      PostMessageA(g_menuWindow, WM_LBUTTONDOWN, 0,
                   MAKELPARAM(-1, MenuSlideCode(static_cast<MENU_TITLE>(t))));
      break;
    }
  }
  return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

}  // namespace

CMainWindow::CMainWindow(CAppSettings& settings, IDeviceIo& io, IRegistryKey& settingsKey, AccessPath accessPath,
                         std::string commandLine)
    : CDialog(IDD_MAIN, nullptr),
      settings_(settings),
      io_(io),
      settingsKey_(settingsKey),
      accessPath_(accessPath),
      commandLine_(std::move(commandLine)),
      requests_(area_, *this, settings, inputFiles_),
      commands_(io),
      cdrom_(io, commands_) {}

bool CMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const MESSAGE_MAP_ENTRY<CMainWindow> map[] = {
      {UM_EXTRACT_REQUEST, 0, &CMainWindow::OnExtractRequest},
      {UM_COME_TO_FRONT, 0, &CMainWindow::OnComeToFront},
      {UM_DECODE_REQUEST, 0, &CMainWindow::OnDecodeRequest},
      {UM_ENCODE_REQUEST, 0, &CMainWindow::OnEncodeRequest},
      {UM_START_EXTRACT, 0, &CMainWindow::OnStartExtract},
      {UM_STATUS_HELP, 0, &CMainWindow::OnStatusHelp},
      {WM_SYSCOMMAND, 0, &CMainWindow::OnSysCommand},
      {WM_PAINT, 0, &CMainWindow::OnPaint},
      {WM_ERASEBKGND, 0, &CMainWindow::OnEraseBackground},
      {WM_CTLCOLORSTATIC, 0, &CMainWindow::OnControlColor},
      {WM_CTLCOLORDLG, 0, &CMainWindow::OnControlColor},
      {WM_DRAWITEM, 0, &CMainWindow::OnDrawItem},
      {WM_LBUTTONDOWN, 0, &CMainWindow::OnLeftButtonDown},
      {WM_LBUTTONUP, 0, &CMainWindow::OnLeftButtonUp},
      {WM_MENUSELECT, 0, &CMainWindow::OnMenuSelect},
      {WM_CONTEXTMENU, 0, &CMainWindow::OnContextMenu},
      {WM_DEVICECHANGE, 0, &CMainWindow::OnDeviceChange},
      {WM_DESTROY, 0, &CMainWindow::OnDestroyWindow},
      {UM_START_JOB, 0, &CMainWindow::OnStartJob},
      {UM_ABORT_JOB, 0, &CMainWindow::OnAbortJob},
      {UM_LOG_LINE, 0, &CMainWindow::OnLogLine},
      {UM_LAUNCH_MP3_PLAYER, 0, &CMainWindow::OnLaunchMp3Player},
      {WM_NOTIFY, IDC_TRACK_LIST, &CMainWindow::OnListNotify},
  };
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return false;
    result = OnCommand(wParam, lParam);
    return true;
  }
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
  menus_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
  contextMenu_ = CreatePopupMenu();
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_EXTRACT, "Extract");
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_PLAY, "Play CD Audio");
  AppendMenuA(contextMenu_, MF_STRING, ID_ACTION_QUERY_CDDB, "Query CDDB");
  AppendMenuA(contextMenu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(contextMenu_, MF_STRING, ID_LIST_RENAME, "Rename Highlight Track");
  AppendMenuA(contextMenu_, MF_STRING, ID_EDIT_SELECT_ALL, "Select All");
  AppendMenuA(contextMenu_, MF_STRING, ID_EDIT_SELECT_NONE, "Select None");
  AppendMenuA(contextMenu_, MF_STRING, ID_LIST_INVERT, "Invert Selection");
  frameBrush_ = CreateSolidBrush(skin::kFrame);
  buttons_.Create(Handle(), kButtons, sizeof(kButtons) / sizeof(kButtons[0]));
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
  // The CDDB session and CD audio join here with their subsystems.
  ReadDisc();
  systemMp3Player_ = FindSystemMp3Player();
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
  ApplyLayout();
  return true;
}

void CMainWindow::ApplyLayout() {
  RECT client;
  GetClientRect(Handle(), &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  auto place = [this](int id, const LAYOUT_RECT& r) { MoveWindow(Item(id), r.x, r.y, r.width, r.height, TRUE); };
  place(IDC_TRACK_LIST, l.trackList);
  place(IDC_DRIVE_LABEL, l.driveLabel);
  place(IDC_PLAY_TIME, l.playTime);
  place(IDC_VOLUME_SLIDER, l.volumeSlider);
  place(IDC_SEEK_SLIDER, l.seekSlider);
  place(IDC_STATUS_LINE, l.statusLine);
  for (const SKIN_BUTTON& button : kButtons) {
    LAYOUT_RECT r;
    if (SkinButtonRect(button.id, client.right, client.bottom, r)) buttons_.Move(button.id, r.x, r.y, r.width, r.height);
  }
  // Every control moved: paint the frame and all of them at once.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CMainWindow::SetUpPlaybackControls() {
  HWND tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
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
  ShowDriveLabel();
  return true;
}

void CMainWindow::ShowDriveLabel() {
  disc_.driveLabel = cdrom_.DriveLabel(cdrom_.SelectedUnit());
  SetDlgItemTextA(Handle(), IDC_DRIVE_LABEL, disc_.driveLabel.c_str());
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

void CMainWindow::ReadDisc() {
  list_.Clear();
  DISC_TEXTS texts = {LoadResourceString(IDS_ALL_TRACKS), LoadResourceString(IDS_TRACK_FORMAT)};
  std::vector<TRACK_ROW> rows;
  CDiscCacheSource cache(settings_.programFolder);
  if (!::ReadDisc(commands_, cdrom_.Handle(), texts, cache, disc_, rows)) {
    if (cache.Status() == DiscCacheStatus::NoFolder)
      ShowMessageText(Handle(), Format(LoadResourceString(IDS_CANT_OPEN_DB).c_str(), settings_.programFolder.c_str()));
    else
      list_.SetNoDisc(true);
    return;
  }
  discRead_ = true;
  list_.Fill(rows);
}

void CMainWindow::SetStatusText(const std::string& text) { SetDlgItemTextA(Handle(), IDC_STATUS_LINE, text.c_str()); }

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
  ReadDisc();
  ShowDriveLabel();
  return true;
}

void CMainWindow::PostStartExtract(int repaintFlag) {
  PostMessageA(Handle(), UM_START_EXTRACT, static_cast<WPARAM>(repaintFlag), 0);
}

void CMainWindow::PostFileRequest(bool decode) {
  PostMessageA(Handle(), decode ? UM_DECODE_REQUEST : UM_ENCODE_REQUEST, 0, 0);
}

void CMainWindow::RunFileJob(size_t fileCount, bool decode) {
  RunProcessingWindow(decode ? JOB_KIND::DecodeFiles : JOB_KIND::EncodeFiles, fileCount);
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
  OnExtract();
  return 0;
}

// ---------------------------------------------------------------------------
// Painting

LRESULT CMainWindow::OnEraseBackground(WPARAM, LPARAM) { return TRUE; }

LRESULT CMainWindow::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  RECT list = {l.trackList.x, l.trackList.y, l.trackList.x + l.trackList.width, l.trackList.y + l.trackList.height};
  DrawSkinFrame(dc, client, list);
  RECT grip = {l.grip.x, l.grip.y, l.grip.x + l.grip.width, l.grip.y + l.grip.height};
  DrawResizeGrip(dc, grip);
  EndPaint(Handle(), &paint);
  return 0;
}

LRESULT CMainWindow::OnControlColor(WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  SetBkColor(dc, skin::kFrame);
  SetTextColor(dc, control == Item(IDC_STATUS_LINE) ? static_cast<COLORREF>(settings_.StatusLineColor) : skin::kGlyph);
  return reinterpret_cast<LRESULT>(frameBrush_);
}

LRESULT CMainWindow::OnDrawItem(WPARAM, LPARAM lParam) {
  const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item.CtlID == IDC_TRACK_LIST)
    list_.DrawRow(item);
  else
    buttons_.Draw(item);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Mouse: the resize grip, dragging by the frame, menu sliding

LRESULT CMainWindow::OnLeftButtonDown(WPARAM, LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (x == -1 && y < 0) {
    MENU_TITLE title = MenuTitleFromSlideCode(y);
    if (title != MENU_TITLE_COUNT) OpenMenu(title);
    return 0;
  }
  RECT client;
  GetClientRect(Handle(), &client);
  MAIN_LAYOUT l = ComputeMainLayout(client.right, client.bottom);
  if (l.grip.Contains(x, y)) {
    resizing_ = true;
    GetCursorPos(&resizeStart_);
    resizeClient_ = {client.right, client.bottom};
    SetCapture(Handle());
    return 0;
  }
  // The frame has no caption bar: a press anywhere else drags the window.
  ReleaseCapture();
  SendMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return 0;
}

LRESULT CMainWindow::OnLeftButtonUp(WPARAM, LPARAM) {
  if (!resizing_) return 0;
  resizing_ = false;
  ReleaseCapture();
  POINT now;
  GetCursorPos(&now);
  std::optional<CLIENT_SIZE> size =
      ResizeByGrip(resizeClient_.cx, resizeClient_.cy, now.x - resizeStart_.x, now.y - resizeStart_.y);
  if (!size) return 0;
  SetWindowPos(Handle(), nullptr, 0, 0, size->width, size->height, SWP_NOMOVE | SWP_NOZORDER);
  ApplyLayout();
  RECT listClient;
  GetClientRect(list_.Handle(), &listClient);
  list_.SetColumnWidth(1, listClient.right - list_.ColumnWidth(0) - list_.ColumnWidth(2) - list_.ColumnWidth(3));
  return 0;
}

void CMainWindow::OpenMenu(MENU_TITLE title) {
  int x = 0, y = 0;
  MenuPopupPoint(title, x, y);
  POINT at = {x, y};
  ClientToScreen(Handle(), &at);
  buttons_.EnableAll(kMenuTitleIds, MENU_TITLE_COUNT, false);
  g_menuWindow = Handle();
  g_openTitle = title;
  g_menuHook = SetWindowsHookExA(WH_MSGFILTER, MenuSlideHook, nullptr, GetCurrentThreadId());
  TrackPopupMenu(GetSubMenu(menus_, title), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, Handle(),
                 nullptr);
  UnhookWindowsHookEx(g_menuHook);
  g_menuHook = nullptr;
  g_menuWindow = nullptr;
  g_openTitle = MENU_TITLE_COUNT;
  buttons_.EnableAll(kMenuTitleIds, MENU_TITLE_COUNT, true);
  SendMessageA(Handle(), UM_STATUS_HELP, 0, 0);
}

LRESULT CMainWindow::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) return 0;  // the menu closed; OpenMenu restores the text
  if (!(flags & (MF_POPUP | MF_SEPARATOR))) PostMessageA(Handle(), UM_STATUS_HELP, LOWORD(wParam), 0);
  return 0;
}

LRESULT CMainWindow::OnStatusHelp(WPARAM wParam, LPARAM) {
  if (wParam == 0) {
    SetStatusText(standingStatus_);
    return 0;
  }
  std::string help = LoadResourceString(static_cast<UINT>(wParam));
  if (!help.empty()) SetStatusText(help);
  return 0;
}

LRESULT CMainWindow::OnContextMenu(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) != list_.Handle()) return 0;
  TrackPopupMenu(contextMenu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0, Handle(),
                 nullptr);
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
  if (letter == 0 || letter != cdrom_.CurrentLetter()) return TRUE;
  if (wParam == DBT_DEVICEARRIVAL) {
    ReadDisc();
  } else {
    // CD playback joins here with its subsystem.
    ShowDriveLabel();
    WriteCache();
    list_.Clear();
    list_.SetNoDisc(false);
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Commands

LRESULT CMainWindow::OnCommand(WPARAM wParam, LPARAM) {
  int id = CommandOfButton(LOWORD(wParam));
  switch (id) {
    case IDC_MENU_FILE: OpenMenu(MENU_FILE); break;
    case IDC_MENU_EDIT: OpenMenu(MENU_EDIT); break;
    case IDC_MENU_ACTION: OpenMenu(MENU_ACTION); break;
    case IDC_MENU_HELP: OpenMenu(MENU_HELP); break;
    case IDC_BTN_MINIMIZE: ShowWindow(Handle(), SW_MINIMIZE); break;
    case ID_FILE_EXIT: OnOK(); break;
    case ID_HELP_ABOUT: OnAbout(); break;
    case ID_ACTION_EXTRACT: OnExtract(); break;
    case ID_ACTION_REFRESH_TOC: OnRefreshToc(); break;
    case ID_FILE_ENCODE: OnFileCommand(JOB_KIND::EncodeFiles); break;
    case ID_FILE_DECODE: OnFileCommand(JOB_KIND::DecodeFiles); break;
    case ID_FILE_NORMALIZE: OnFileCommand(JOB_KIND::NormalizeFiles); break;
    case ID_FILE_VIEW_LOG: OnViewLog(); break;
    case ID_EDIT_ID3TAG: OnId3Tag(); break;
    case ID_EDIT_RENAME:
    case ID_LIST_RENAME: OnRename(); break;
    case IDC_BTN_MOVE_FIRST: OnMove(MOVE_KIND::First); break;
    case IDC_BTN_MOVE_UP: OnMove(MOVE_KIND::Up); break;
    case IDC_BTN_MOVE_DOWN: OnMove(MOVE_KIND::Down); break;
    case IDC_BTN_MOVE_LAST: OnMove(MOVE_KIND::Last); break;
    case ID_EDIT_UPPER_CASE:
    case ID_EDIT_LOWER_CASE:
    case ID_EDIT_CAPITALIZE: OnChangeCase(id); break;
    case ID_EDIT_COPY: OnCopyToClipboard(); break;
    case ID_FILE_OPEN_OUTPUT: OnOpenOutputFolder(); break;
    case ID_FILE_EJECT: OnEject(); break;
    case ID_ACTION_VOLUME: OnVolumeControl(); break;
    case ID_HELP_CONTENTS: OnHelpContents(); break;
    case ID_HELP_HOME_PAGE: OnWebPage(false); break;
    case ID_HELP_CDDB_HOME: OnWebPage(true); break;
    case ID_FILE_MP3_PLAYER: OnDefaultMp3Player(); break;
    case ID_EDIT_SELECT_ALL:
    case ID_LIST_SELECT_ALL: SetAllChecks(1); break;
    case ID_EDIT_SELECT_NONE:
    case ID_LIST_SELECT_NONE: SetAllChecks(0); break;
    case ID_EDIT_INVERT:
    case ID_LIST_INVERT: SetAllChecks(-1); break;
    default: break;  // the remaining commands arrive with their subsystems
  }
  return 0;
}

LRESULT CMainWindow::OnListNotify(WPARAM, LPARAM lParam) {
  if (reinterpret_cast<const NMHDR*>(lParam)->code == NM_DBLCLK) OnRename();
  return 0;
}

void CMainWindow::OnEject() {
  // The drive's tray joins here with CD playback.
  WriteCache();
  list_.Clear();
}

void CMainWindow::WriteCache() {
  // Without a TOC ever read there is no disc to name a file after.
  if (!discRead_) return;
  std::vector<int> rowTracks;
  for (int row = 0; row < list_.Count(); ++row) rowTracks.push_back(list_.TrackIndex(row));
  if (WriteDiscCache(settings_.programFolder, disc_, rowTracks) == DiscCacheStatus::NoFolder)
    ShowMessageText(Handle(), Format(LoadResourceString(IDS_CANT_OPEN_DB).c_str(), settings_.programFolder.c_str()));
}

void CMainWindow::SetAllChecks(int how) {
  for (int row = 0; row < list_.Count(); ++row) list_.SetChecked(row, how < 0 ? !list_.Checked(row) : how == 1);
}

void CMainWindow::OnRefreshToc() {
  if (busy_) return;
  ReadDisc();
}

void CMainWindow::OnExtract() {
  if (busy_) return;
  busy_ = true;
  int checked = 0;
  for (int row = 0; row < list_.Count(); ++row)
    if (list_.Checked(row)) ++checked;
  if (checked == 0)
    ShowMessage(Handle(), IDS_SELECT_ONE_ITEM);
  else
    RunProcessingWindow(JOB_KIND::ExtractEncode, static_cast<size_t>(checked));
  busy_ = false;
}

void CMainWindow::OnId3Tag() {
  if (busy_) return;
  busy_ = true;
  if (list_.Count() == 0) {
    ShowMessage(Handle(), IDS_NO_CD_AVAILABLE);
  } else {
    CId3EditorDialog editor(Handle(), disc_);
    if (editor.DoModal() == IDOK) {
      editor.Model().CopyBack(disc_);
      std::string untitled = LoadResourceString(IDS_TRACK_FORMAT);
      for (int row = 0; row < list_.Count(); ++row) {
        size_t entry = static_cast<size_t>(list_.TrackIndex(row)) + 1;
        if (entry >= disc_.entries.size()) continue;
        const std::string& title = disc_.entries[entry].title;
        list_.SetText(row, 1, title.empty() ? Format(untitled.c_str(), disc_.toc.entries[entry - 1].trackNumber) : title);
      }
    }
  }
  busy_ = false;
}

void CMainWindow::OnViewLog() {
  if (busy_) return;
  busy_ = true;
  ShowLogWindow(Handle());
  busy_ = false;
}

namespace {

struct FILE_COMMAND {
  UINT title;
  const char* filter;  // '|'-separated, as the dialog shows it
  const char* defaultName;
};

FILE_COMMAND FileCommandOf(JOB_KIND kind) {
  switch (kind) {
    case JOB_KIND::DecodeFiles: return {IDS_DECODE_TITLE, "MP3 files(*.mp3)|*.mp3||", "*.mp3"};
    case JOB_KIND::NormalizeFiles: return {IDS_NORMALIZE_TITLE, "Wave files(*.wav)|*.wav||", "*.wav"};
    default: return {IDS_ENCODE_TITLE, "Wave files(*.wav)|*.wav||", "*.wav"};
  }
}

// The paths of a multiple-selection answer: one full path, or a folder
// followed by file names, each ended by a zero, the list by two.
std::vector<std::string> ChosenPaths(const std::vector<char>& buffer) {
  std::vector<std::string> parts;
  for (const char* p = buffer.data(); p < buffer.data() + buffer.size() && *p; p += strlen(p) + 1) parts.emplace_back(p);
  if (parts.size() <= 1) return parts;
  std::string folder = StripTrailingBackslashes(parts[0]) + "\\";
  std::vector<std::string> paths;
  for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  return paths;
}

}  // namespace

void CMainWindow::OnFileCommand(JOB_KIND kind) {
  if (busy_) return;
  busy_ = true;
  FILE_COMMAND command = FileCommandOf(kind);
  std::string filter = command.filter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  std::vector<char> names(25500, 0);
  strncpy(names.data(), command.defaultName, names.size() - 1);
  inputFiles_.clear();
  settings_.sessionOutputFolder = NormaliseFolder(settings_.OutputFolder);
  std::string title = LoadResourceString(command.title);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = names.data();
  dialog.nMaxFile = static_cast<DWORD>(names.size());
  dialog.lpstrInitialDir = settings_.sessionOutputFolder.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (GetOpenFileNameA(&dialog)) {
    inputFiles_ = ChosenPaths(names);
    if (!inputFiles_.empty()) RunProcessingWindow(kind, inputFiles_.size());
  }
  busy_ = false;
}

void CMainWindow::RunProcessingWindow(JOB_KIND kind, size_t count) {
  CProcessingDialog window(Handle());
  window.total = static_cast<int>(count);
  window.encodeFiles = kind == JOB_KIND::EncodeFiles || kind == JOB_KIND::DecodeFiles;
  window.decode = kind == JOB_KIND::DecodeFiles;
  window.normalize = kind == JOB_KIND::NormalizeFiles;
  processing_ = &window;
  window.DoModal();
  processing_ = nullptr;
}

LRESULT CMainWindow::OnStartJob(WPARAM wParam, LPARAM lParam) {
  // Posted from the window's initialisation: it exists and has its handle.
  if (!processing_ || !processing_->Handle()) return 0;
  CJob* job = wParam == 0 ? BuildCdJob() : BuildFileJob();
  if (!job) return 0;
  StartWorker(job, JobKindOfStartRequest(wParam, lParam));
  return 0;
}

CJob* CMainWindow::BuildCdJob() {
  CJob* job = new CJob;
  for (int row = 0; row < list_.Count(); ++row) {
    if (!list_.Checked(row)) continue;
    int index = list_.TrackIndex(row);
    if (index < 0 || static_cast<size_t>(index) >= disc_.ranges.size()) continue;
    CJobItem item;
    item.startSector = static_cast<int>(disc_.ranges[static_cast<size_t>(index)].start);
    item.endSector = static_cast<int>(disc_.ranges[static_cast<size_t>(index)].end);
    item.sourceName = list_.Text(row, 1);
    item.trackIndex = index;
    if (static_cast<size_t>(index) + 1 < disc_.entries.size()) {
      const CTrackEntry& entry = disc_.entries[static_cast<size_t>(index) + 1];
      item.title = entry.title;
      item.artist = entry.artist;
      item.album = entry.album;
      item.year = entry.year;
      item.comment = entry.comment;
      item.genreNumber = entry.genreNumber;
    }
    job->items.push_back(item);
  }
  if (job->items.empty()) {
    delete job;
    ShowMessage(Handle(), IDS_SELECT_ONE_ITEM);
    return nullptr;
  }
  job->keepWav = settings_.OutputFormat != 0;
  job->fileJob = false;
  return job;
}

CJob* CMainWindow::BuildFileJob() {
  CJob* job = new CJob;
  for (const std::string& path : inputFiles_) {
    CJobItem item;
    item.sourceName = path;
    job->items.push_back(item);
  }
  job->keepWav = true;
  job->fileJob = true;
  return job;
}

namespace {

struct WORKER_START {
  CJob* job;
  JOB_KIND kind;
  JOB_STEPS steps;
  HWND progressWindow;
  CWindowJobReport* report;
};

DWORD WINAPI JobWorker(LPVOID parameter) {
  WORKER_START* start = static_cast<WORKER_START*>(parameter);
  try {
    bool success = RunJobItems(start->kind, *start->job, start->steps);
    // Sent: the window reads the items while the worker waits.
    SendMessageA(start->progressWindow, success ? UM_JOB_DONE : UM_JOB_FAILED,
                 reinterpret_cast<WPARAM>(start->job), 0);
  } catch (...) {
    SendMessageA(start->progressWindow, UM_JOB_FAILED, reinterpret_cast<WPARAM>(start->job), 0);
  }
  delete start->job;
  delete start->report;
  delete start;
  return 0;
}

int ThreadPriorityOf(int setting) {
  static const int priorities[5] = {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST};
  return priorities[CorrectThreadPriority(setting)];
}

}  // namespace

JOB_STEPS CMainWindow::MakeSteps() {
  JOB_STEPS steps;
  steps.normalize = [](CJob& job) {
    return NormalizeWaveFile(job.CurrentItem().sourceName, job, job.options.normalizeRatio);
  };
  CDriveCommands* commands = &commands_;
  const CEncoderBinding* encoder = &encoder_;
  steps.extract = [commands](CJob& job) { return ExtractTrack(job, *commands); };
  steps.encode = [encoder](CJob& job) { return EncodeWaveToMp3(job, *encoder); };
  // The decoder passes a frequency limit that keeps the whole band.
  steps.decode = [](CJob& job, const std::string& source, const std::string& output) {
    return DecodeMp3ToWave(source, output, 24000, job);
  };
  return steps;
}

void CMainWindow::StartWorker(CJob* job, JOB_KIND kind) {
  if (abortEvent_) CloseHandle(abortEvent_);
  abortEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE workerCopy = nullptr;
  DuplicateHandle(GetCurrentProcess(), abortEvent_, GetCurrentProcess(), &workerCopy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  settings_.ThreadPriority = CorrectThreadPriority(settings_.ThreadPriority);
  job->options = JobOptionsFromSettings(settings_);
  WORKER_START* start = new WORKER_START{job, kind, MakeSteps(), processing_->Handle(), nullptr};
  start->report = new CWindowJobReport(processing_->Handle(), Handle(), workerCopy);
  job->report = start->report;
  job->device = cdrom_.Handle();
  job->cancelled = false;
  HANDLE thread = CreateThread(nullptr, 0, JobWorker, start, CREATE_SUSPENDED, nullptr);
  if (!thread) {
    delete start->job;
    delete start->report;
    delete start;
    return;
  }
  SetThreadPriority(thread, ThreadPriorityOf(settings_.ThreadPriority));
  ResumeThread(thread);
  CloseHandle(thread);
}

LRESULT CMainWindow::OnAbortJob(WPARAM, LPARAM) {
  if (abortEvent_) SetEvent(abortEvent_);
  return 0;
}

LRESULT CMainWindow::OnLogLine(WPARAM wParam, LPARAM) {
  if (wParam) ProcessLog().Append(reinterpret_cast<const char*>(wParam));
  return 0;
}

void CMainWindow::OnAbout() {
  if (busy_) return;
  busy_ = true;
  CAboutDialog about(Handle(), encoder_);
  about.DoModal();
  busy_ = false;
}

LRESULT CMainWindow::OnSysCommand(WPARAM, LPARAM) {
  OnAbout();
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
  // The disc's texts first, before anything is shut down; CD playback
  // takes its place next with its subsystem; then AutoPlay and the settings.
  if (initialised_) WriteCache();
  autoPlay_.Restore();
  settings_.Save(settingsKey_, CurrentGeometry());
  cdrom_.Close();
  encoder_.Unload();
  list_.Release();
  if (menus_) DestroyMenu(menus_);
  if (contextMenu_) DestroyMenu(contextMenu_);
  if (frameBrush_) DeleteObject(frameBrush_);
  if (abortEvent_) CloseHandle(abortEvent_);
  return 0;
}
