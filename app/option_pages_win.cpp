#include "app/option_pages_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include "app/accuraterip_http_win.h"
#include "app/drive_offsets.h"
#include "cdrom/cdrom_device.h"
#include "cdrom/read_offset.h"
#include "cdrom/drive_commands.h"
#include "platform/registry_key.h"
#include "platform/text.h"

namespace {

constexpr int kOutputFolderChars = 200;
constexpr int kNamingRuleChars = 255;
constexpr int kPlayerChars = 250;
constexpr int kParameterChars = 100;
constexpr int kReplacementChars = 6;

const INTEGER_FIELD kRatioField = {IDC_OPT_NORMALIZE_RATIO, 1, 100};
const INTEGER_FIELD kPortField = {IDC_OPT_PROXY_PORT, 0, 99999};
const INTEGER_FIELD kTimeoutField = {IDC_OPT_SERVER_TIMEOUT, 0, 1000000};
const INTEGER_FIELD kCacheSizeField = {IDC_OPT_CACHE_SIZE, 0, 4096000};
const INTEGER_FIELD kLeadingField = {IDC_OPT_LEADING_FRAMES, 0, 15000};
const INTEGER_FIELD kTrailingField = {IDC_OPT_TRAILING_FRAMES, 0, 15000};
const INTEGER_FIELD kRetryField = {IDC_OPT_RETRY_TIMES, 1, 100};
const INTEGER_FIELD kReadOffsetField = {IDC_OPT_READ_OFFSET, -kMaxReadOffset, kMaxReadOffset};
const INTEGER_FIELD kBufferField = {IDC_OPT_BUFFER_SIZE, 1, 255};

const std::vector<std::string> kNamingRules = {"<title>",
                                               "<number>-<title>",
                                               "<artist>-<title>",
                                               "<artist>-<number>-<title>",
                                               "<artist>-<album>-<title>",
                                               "<artist>-<album>-<number>-<title>",
                                               "<artist>\\<title>",
                                               "<artist>\\<number>-<title>",
                                               "<artist>\\<album>\\<title>",
                                               "<artist>\\<album>\\<number>-<title>"};
const std::vector<std::string> kBitRates = {" 32  kbit/s", " 40  kbit/s", " 48  kbit/s", " 56  kbit/s", " 64  kbit/s",
                                            " 80  kbit/s", " 96  kbit/s", "112 kbit/s",  "128 kbit/s",  "160 kbit/s",
                                            "192 kbit/s",  "224 kbit/s",  "256 kbit/s",  "320 kbit/s"};

// Default colours of "Set Default"; the shadow colour is kept.
constexpr COLORREF kDefaultText = 0x0000FF00;
constexpr COLORREF kDefaultSelected = 0x0000FFFF;
constexpr COLORREF kDefaultBackground = 0x00000000;
constexpr COLORREF kDefaultStatus = 0x00B4C8C8;

int CALLBACK StartFolderCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared

bool COptionPage::ValidateFields() {
  int value = 0;
  for (const INTEGER_FIELD& field : NumberFields())
    if (IsWindowEnabled(Item(field.control)) && !ReadField(field, value)) return false;
  return true;
}

bool COptionPage::ReadField(const INTEGER_FIELD& field, int& value, bool tell) const {
  if (ParseIntegerField(Text(field.control), field, value)) return true;
  if (!tell) return false;
  ShowMessageText(Handle(), Format(LoadResourceString(IDS_INTEGER_RANGE).c_str(), field.minimum, field.maximum));
  SetFocus(Item(field.control));
  SendMessageA(Item(field.control), EM_SETSEL, 0, -1);
  return false;
}

std::string COptionPage::Text(int id) const { return ControlText(Item(id)); }

void COptionPage::Limit(int id, int characters) {
  char className[16] = {};
  GetClassNameA(Item(id), className, sizeof(className));
  UINT message = lstrcmpiA(className, "ComboBox") == 0 ? CB_LIMITTEXT : EM_LIMITTEXT;
  SendMessageA(Item(id), message, static_cast<WPARAM>(characters), 0);
}

int COptionPage::Selection(int id) const { return static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0)); }

void COptionPage::FillCombo(int id, const std::vector<std::string>& items, int selected) {
  SendMessageA(Item(id), CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) SendMessageA(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void COptionPage::BrowseFolder(int field) {
  std::string start = Text(field);
  BROWSEINFOA browse = {};
  browse.hwndOwner = Handle();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = StartFolderCallback;
  browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(chosen, path)) SetText(field, path);
  CoTaskMemFree(chosen);
}

// ---------------------------------------------------------------------------
// Output

BOOL COptionOutput::OnInitDialog() {
  CorrectOutputSettings(settings_);
  Limit(IDC_OPT_OUTPUT_FOLDER, kOutputFolderChars);
  Limit(IDC_OPT_NAMING_RULE, kNamingRuleChars);
  SetText(IDC_OPT_OUTPUT_FOLDER, FolderForDisplay(settings_.OutputFolder));
  FillCombo(IDC_OPT_NAMING_RULE, kNamingRules, -1);
  SetText(IDC_OPT_NAMING_RULE, settings_.NamingRule);
  FillCombo(IDC_OPT_OUTPUT_FORMAT, {"MP3 Files(*.MP3)", "Wave files(*.wav)", "Both"}, settings_.OutputFormat);
  SetChecked(IDC_OPT_NORMALIZE, settings_.Normalize != 0);
  SendDlgItemMessageA(Handle(), IDC_OPT_NORMALIZE_SPIN, UDM_SETRANGE32, 1, 100);
  SetNumber(IDC_OPT_NORMALIZE_RATIO, settings_.NormalizeRatio);
  return TRUE;
}

bool COptionOutput::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_OPT_OUTPUT_BROWSE) {
    BrowseFolder(IDC_OPT_OUTPUT_FOLDER);
    return true;
  }
  return false;
}

std::vector<INTEGER_FIELD> COptionOutput::NumberFields() const { return {kRatioField}; }

bool COptionOutput::Apply() {
  OUTPUT_CHOICES choices;
  if (!ReadField(kRatioField, choices.ratio)) return false;
  choices.folder = Text(IDC_OPT_OUTPUT_FOLDER);
  choices.namingRule = Text(IDC_OPT_NAMING_RULE);
  choices.format = Selection(IDC_OPT_OUTPUT_FORMAT);
  choices.normalize = Checked(IDC_OPT_NORMALIZE);
  std::string folder;
  switch (ApplyOutputChoices(choices, settings_, folder)) {
    case OPTION_FAILURE::NamingRuleWithoutVariable:
      ShowMessage(Handle(), IDS_NAMING_RULE_NEEDS_VARIABLE);
      SetFocus(Item(IDC_OPT_NAMING_RULE));
      return false;
    case OPTION_FAILURE::CannotCreateFolder:
      ShowMessageText(Handle(), Format(LoadResourceString(IDS_CANT_CREATE_DIRECTORY).c_str(), folder.c_str()));
      return false;
    default: return true;
  }
}

// ---------------------------------------------------------------------------
// MP3

BOOL COptionMP3::OnInitDialog() {
  FillCombo(IDC_OPT_ENCODER, {"BladeEnc.DLL", "LAME_ENC.DLL"}, settings_.MP3Encoder);
  SetChecked(IDC_OPT_ENABLE_ID3, settings_.EnableID3 != 0);
  SetChecked(IDC_OPT_ENCODE_WHILE_READING, settings_.EncodeWhileReading != 0);
  SetChecked(IDC_OPT_ID3V2, settings_.ID3V2 != 0);
  SetChecked(IDC_OPT_ENABLE_VBR, settings_.EnableVBR != 0);
  SetChecked(IDC_OPT_VBR_HEADER, settings_.WriteVBRHeader != 0);
  FillCombo(IDC_OPT_BITRATE, kBitRates, ShownBitRate(settings_.BitRate));
  FillCombo(IDC_OPT_MAX_BITRATE, kBitRates, settings_.MaxBitRate);
  FillCombo(IDC_OPT_MPEG_QUALITY, {"Normal Quality", "Low Quality", "High Quality", "Voice Quality"},
            settings_.MPEGQuality);
  FillCombo(IDC_OPT_VBR_QUALITY, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, settings_.VBRQuality);
  FillCombo(IDC_OPT_STEREO_MODE, {"Stereo", "Joint Stereo"}, settings_.StereoMode);
  ApplyEnabling();
  return TRUE;
}

void COptionMP3::ApplyEnabling() {
  MP3_ENABLING enabling = Mp3Enabling(Selection(IDC_OPT_ENCODER), Checked(IDC_OPT_ENABLE_VBR));
  Enable(IDC_OPT_ENABLE_VBR, enabling.vbrBox);
  for (int id : {IDC_OPT_MAX_BITRATE, IDC_OPT_MPEG_QUALITY, IDC_OPT_VBR_QUALITY, IDC_OPT_VBR_HEADER})
    Enable(id, enabling.vbrOnly);
}

bool COptionMP3::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_OPT_ENABLE_VBR: ApplyEnabling(); return true;
    case IDC_OPT_ENCODER:
      if (HIWORD(wParam) == CBN_SELCHANGE) ApplyEnabling();
      return true;
    case IDC_OPT_ADVANCED: CAdvancedDlg(Handle(), settings_).DoModal(); return true;
    default: return false;
  }
}

bool COptionMP3::Apply() {
  settings_.MP3Encoder = Selection(IDC_OPT_ENCODER);
  settings_.EnableID3 = Checked(IDC_OPT_ENABLE_ID3) ? 1 : 0;
  settings_.EncodeWhileReading = Checked(IDC_OPT_ENCODE_WHILE_READING) ? 1 : 0;
  settings_.ID3V2 = Checked(IDC_OPT_ID3V2) ? 1 : 0;
  settings_.EnableVBR = Checked(IDC_OPT_ENABLE_VBR) ? 1 : 0;
  settings_.WriteVBRHeader = Checked(IDC_OPT_VBR_HEADER) ? 1 : 0;
  settings_.BitRate = Selection(IDC_OPT_BITRATE);
  settings_.MaxBitRate = Selection(IDC_OPT_MAX_BITRATE);
  settings_.MPEGQuality = Selection(IDC_OPT_MPEG_QUALITY);
  settings_.VBRQuality = Selection(IDC_OPT_VBR_QUALITY);
  settings_.StereoMode = Selection(IDC_OPT_STEREO_MODE);
  return true;
}

BOOL CAdvancedDlg::OnInitDialog() {
  CheckDlgButton(Handle(), IDC_OPT_COPYRIGHT, settings_.Copyright ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_OPT_ORIGINAL, settings_.Original ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_OPT_PRIVATE, settings_.Private ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CAdvancedDlg::OnOK() {
  settings_.Copyright = IsDlgButtonChecked(Handle(), IDC_OPT_COPYRIGHT) == BST_CHECKED ? 1 : 0;
  settings_.Original = IsDlgButtonChecked(Handle(), IDC_OPT_ORIGINAL) == BST_CHECKED ? 1 : 0;
  settings_.Private = IsDlgButtonChecked(Handle(), IDC_OPT_PRIVATE) == BST_CHECKED ? 1 : 0;
  EndDialog(IDOK);
}

// ---------------------------------------------------------------------------
// CDDB

BOOL COptionCDDB::OnInitDialog() {
  SetChecked(IDC_OPT_PROXY, settings_.PROXY != 0);
  SetText(IDC_OPT_PROXY_HOST, settings_.PROXYHOST);
  SetNumber(IDC_OPT_PROXY_PORT, settings_.ProxyPort);
  SetText(IDC_OPT_PROXY_USER, settings_.PROXYUSERNAME);
  SetText(IDC_OPT_PROXY_PASSWORD, settings_.PROXYPASSWORD);
  SetNumber(IDC_OPT_SERVER_TIMEOUT, settings_.ServerTimeout);
  SetText(IDC_OPT_CACHE_FOLDER, FolderForDisplay(settings_.CACHEDIRECTORY));
  SetNumber(IDC_OPT_CACHE_SIZE, settings_.CacheSize);
  ApplyEnabling();
  return TRUE;
}

void COptionCDDB::ApplyEnabling() {
  bool proxy = Checked(IDC_OPT_PROXY);
  for (int id : {IDC_OPT_PROXY_HOST, IDC_OPT_PROXY_PORT, IDC_OPT_PROXY_USER, IDC_OPT_PROXY_PASSWORD}) Enable(id, proxy);
}

bool COptionCDDB::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_OPT_PROXY: ApplyEnabling(); return true;
    case IDC_OPT_CACHE_BROWSE: BrowseFolder(IDC_OPT_CACHE_FOLDER); return true;
    case IDC_OPT_CACHE_CLEAR:
      if (clearCache_) clearCache_();
      return true;
    default: return false;
  }
}

std::vector<INTEGER_FIELD> COptionCDDB::NumberFields() const { return {kPortField, kTimeoutField, kCacheSizeField}; }

bool COptionCDDB::Apply() {
  CDDB_CHOICES choices;
  // The port is read whether or not the proxy is on: it is stored either way.
  if (!ReadField(kPortField, choices.port, false) || !ReadField(kTimeoutField, choices.timeout, false) ||
      !ReadField(kCacheSizeField, choices.cacheSize, false)) {
    ShowMessage(Handle(), IDS_INPUT_INVALID);
    return false;
  }
  choices.proxy = Checked(IDC_OPT_PROXY);
  choices.host = Text(IDC_OPT_PROXY_HOST);
  choices.user = Text(IDC_OPT_PROXY_USER);
  choices.password = Text(IDC_OPT_PROXY_PASSWORD);
  choices.cacheFolder = Text(IDC_OPT_CACHE_FOLDER);
  std::string folder;
  if (ApplyCddbChoices(choices, settings_, folder) == OPTION_FAILURE::None) return true;
  ShowMessageText(Handle(), Format(LoadResourceString(IDS_CANT_CREATE_DIRECTORY).c_str(), folder.c_str()));
  return false;
}

// ---------------------------------------------------------------------------
// CD-ROM

BOOL COptionCDROM::OnInitDialog() {
  std::vector<std::string> units;
  for (int i = 0; i < drives_.DriveCount(); ++i) units.push_back(drives_.DriveLabel(i));
  FillCombo(IDC_OPT_UNIT, units, drives_.SelectedUnit());
  FillCombo(IDC_OPT_DRIVE_TYPE, std::vector<std::string>(kDriveTypeNames, kDriveTypeNames + kDriveTypeCount),
            settings_.DeviceType);
  SetChecked(IDC_OPT_DELETE_SILENCE, settings_.DeleteSilence != 0);
  SetNumber(IDC_OPT_LEADING_FRAMES, settings_.LeadingFrame);
  SetNumber(IDC_OPT_TRAILING_FRAMES, settings_.TrailingFrame);
  SetChecked(IDC_OPT_DISABLE_AUTOPLAY, settings_.DisableAutoPlay != 0);
  SetChecked(IDC_OPT_SKIP_ERRORS, settings_.BoolSkipError != 0);
  SetNumber(IDC_OPT_RETRY_TIMES, settings_.RetryTimes);
  SetNumber(IDC_OPT_BUFFER_SIZE, settings_.BufferSize);
  ApplyEnabling();
  return TRUE;
}

void COptionCDROM::ApplyEnabling() {
  bool silence = Checked(IDC_OPT_DELETE_SILENCE);
  Enable(IDC_OPT_LEADING_FRAMES, silence);
  Enable(IDC_OPT_TRAILING_FRAMES, silence);
}

bool COptionCDROM::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_OPT_DELETE_SILENCE) return false;
  ApplyEnabling();
  return true;
}

std::vector<INTEGER_FIELD> COptionCDROM::NumberFields() const {
  return {kLeadingField, kTrailingField, kRetryField, kBufferField};
}

bool COptionCDROM::Apply() {
  // Disabled frame counts keep their stored values.
  int leading = settings_.LeadingFrame;
  int trailing = settings_.TrailingFrame;
  int retries = 0;
  int buffer = 0;
  bool silence = Checked(IDC_OPT_DELETE_SILENCE);
  if ((silence && (!ReadField(kLeadingField, leading) || !ReadField(kTrailingField, trailing))) ||
      !ReadField(kRetryField, retries) || !ReadField(kBufferField, buffer))
    return false;
  settings_.CDROMDriver = Selection(IDC_OPT_UNIT) < 0 ? settings_.CDROMDriver : Selection(IDC_OPT_UNIT);
  settings_.DeviceType = Selection(IDC_OPT_DRIVE_TYPE);
  settings_.DeleteSilence = silence ? 1 : 0;
  settings_.LeadingFrame = leading;
  settings_.TrailingFrame = trailing;
  settings_.DisableAutoPlay = Checked(IDC_OPT_DISABLE_AUTOPLAY) ? 1 : 0;
  settings_.BoolSkipError = Checked(IDC_OPT_SKIP_ERRORS) ? 1 : 0;
  settings_.RetryTimes = retries;
  settings_.BufferSize = buffer;
  return true;
}

// ---------------------------------------------------------------------------
// Appearance

BOOL COptionAppearance::OnInitDialog() {
  text_ = static_cast<COLORREF>(settings_.TextColor);
  selected_ = static_cast<COLORREF>(settings_.TextSelColor);
  shadow_ = static_cast<COLORREF>(settings_.TextShadowColor);
  status_ = static_cast<COLORREF>(settings_.StatusLineColor);
  background_ = static_cast<COLORREF>(settings_.BackgroundColor);
  SetChecked(IDC_OPT_SHADOW, settings_.BoolShadowColor != 0);
  uint32_t stored[12] = {};
  for (COLORREF& colour : custom_) colour = RGB(255, 255, 255);
  if (CAppSettings::LoadCustomColors(key_, stored))
    for (int i = 0; i < 12; ++i) custom_[i] = stored[i];
  return TRUE;
}

COLORREF* COptionAppearance::ColourOf(int button) {
  switch (button) {
    case IDC_OPT_TEXT_COLOR: return &text_;
    case IDC_OPT_SELECTED_COLOR: return &selected_;
    case IDC_OPT_SHADOW_COLOR: return &shadow_;
    case IDC_OPT_STATUS_COLOR: return &status_;
    case IDC_OPT_BACKGROUND_COLOR: return &background_;
    default: return nullptr;
  }
}

void COptionAppearance::ChooseColour(int button) {
  COLORREF* colour = ColourOf(button);
  CHOOSECOLORA chooser = {};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = Handle();
  chooser.rgbResult = *colour;
  chooser.lpCustColors = custom_;
  chooser.Flags = CC_FULLOPEN | CC_RGBINIT;
  if (!ChooseColorA(&chooser)) return;
  *colour = chooser.rgbResult;
  InvalidateRect(Item(IDC_OPT_PREVIEW), nullptr, TRUE);
}

bool COptionAppearance::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM && wParam == IDC_OPT_PREVIEW) {
    DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message != WM_COMMAND) return false;
  int id = LOWORD(wParam);
  if (ColourOf(id)) {
    ChooseColour(id);
  } else if (id == IDC_OPT_DEFAULT_COLORS) {
    text_ = kDefaultText;
    selected_ = kDefaultSelected;
    background_ = kDefaultBackground;
    status_ = kDefaultStatus;
  } else if (id != IDC_OPT_SHADOW) {
    return false;
  }
  InvalidateRect(Item(IDC_OPT_PREVIEW), nullptr, TRUE);
  return true;
}

// The preview: a few rows as the track list shows them, one highlighted,
// and the status line below.
void COptionAppearance::DrawPreview(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  HBRUSH background = CreateSolidBrush(background_);
  FillRect(dc, &area, background);
  DeleteObject(background);
  SetBkMode(dc, TRANSPARENT);
  bool shadow = IsDlgButtonChecked(Handle(), IDC_OPT_SHADOW) == BST_CHECKED;
  const char* rows[4] = {"01  Track 1   03:12", "02  Track 2   04:05", "03  Track 3   02:58", "04  Track 4   05:21"};
  int lineHeight = (area.bottom - area.top) / 8;
  for (int i = 0; i < 4; ++i) {
    RECT line = {area.left + 8, area.top + 8 + i * lineHeight, area.right - 4, area.top + 8 + (i + 1) * lineHeight};
    if (shadow) {
      RECT offset = {line.left + 1, line.top + 1, line.right + 1, line.bottom + 1};
      SetTextColor(dc, shadow_);
      DrawTextA(dc, rows[i], -1, &offset, DT_SINGLELINE | DT_NOPREFIX);
    }
    SetTextColor(dc, i == 1 ? selected_ : text_);
    DrawTextA(dc, rows[i], -1, &line, DT_SINGLELINE | DT_NOPREFIX);
  }
  RECT status = {area.left + 8, area.bottom - lineHeight - 4, area.right - 4, area.bottom - 4};
  SetTextColor(dc, status_);
  DrawTextA(dc, "V:  Status line", -1, &status, DT_SINGLELINE | DT_NOPREFIX);
}

bool COptionAppearance::Apply() {
  int32_t shadowOn = Checked(IDC_OPT_SHADOW) ? 1 : 0;
  const int32_t chosen[6] = {static_cast<int32_t>(text_),       static_cast<int32_t>(selected_),
                             static_cast<int32_t>(shadow_),     static_cast<int32_t>(status_),
                             static_cast<int32_t>(background_), shadowOn};
  int32_t* stored[6] = {&settings_.TextColor,       &settings_.TextSelColor,    &settings_.TextShadowColor,
                        &settings_.StatusLineColor, &settings_.BackgroundColor, &settings_.BoolShadowColor};
  for (int i = 0; i < 6; ++i) {
    if (*stored[i] != chosen[i]) changed_ = true;
    *stored[i] = chosen[i];
  }
  uint32_t colours[12];
  for (int i = 0; i < 12; ++i) colours[i] = custom_[i];
  CAppSettings::SaveCustomColors(key_, colours);
  return true;
}

// ---------------------------------------------------------------------------
// Misc.

BOOL COptionMisc::OnInitDialog() {
  Limit(IDC_OPT_PLAYER, kPlayerChars);
  Limit(IDC_OPT_PLAYER_PARAMETERS, kParameterChars);
  SetText(IDC_OPT_PLAYER, settings_.MP3Player);
  SetText(IDC_OPT_PLAYER_PARAMETERS, settings_.MP3PlayerParameters);
  for (int i = 0; i < 10; ++i) {
    Limit(IDC_OPT_REPLACE_FIRST + i, kReplacementChars);
    SetText(IDC_OPT_REPLACE_FIRST + i, settings_.ReplaceStr[i]);
  }
  FillCombo(IDC_OPT_THREAD_PRIORITY, {"Lowest", "Below Normal", "Normal", "Above Normal", "Highest"},
            ShownThreadPriority(settings_.ThreadPriority));
  return TRUE;
}

bool COptionMisc::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_OPT_PLAYER_BROWSE) return false;
  BrowsePlayer();
  return true;
}

void COptionMisc::BrowsePlayer() {
  char file[MAX_PATH] = {};
  std::string current = Text(IDC_OPT_PLAYER);
  lstrcpynA(file, current.c_str(), MAX_PATH);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = "MP3 Player Program(*.exe)\0*.exe\0\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (GetOpenFileNameA(&dialog)) SetText(IDC_OPT_PLAYER, file);
}

bool COptionMisc::Apply() {
  settings_.MP3Player = TrimRight(Text(IDC_OPT_PLAYER));
  settings_.MP3PlayerParameters = Text(IDC_OPT_PLAYER_PARAMETERS);
  for (int i = 0; i < 10; ++i) settings_.ReplaceStr[i] = Text(IDC_OPT_REPLACE_FIRST + i);
  settings_.ThreadPriority = Selection(IDC_OPT_THREAD_PRIORITY);
  return true;
}

// ---------------------------------------------------------------------------
// Accuracy

const CDriveIdentity* COptionAccuracy::CurrentDrive() const {
  int unit = drives_.SelectedUnit();
  return unit >= 0 && unit < drives_.DriveCount() ? &drives_.Identity(unit) : nullptr;
}

BOOL COptionAccuracy::OnInitDialog() {
  SetChecked(IDC_OPT_ACCURATERIP, settings_.AccurateRip != 0);
  SetChecked(IDC_OPT_SECURE_READ, settings_.SecureRead != 0);
  SetChecked(IDC_OPT_VERIFY_MP3, settings_.VerifyMP3 != 0);
  Limit(IDC_OPT_READ_OFFSET, 6);
  const CDriveIdentity* drive = CurrentDrive();
  std::string name = drive ? ReadOffsetValueName(*drive) : std::string();
  SetText(IDC_OPT_DRIVE_NAME, name.empty() ? "No drive" : "Drive: " + name);
  SetNumber(IDC_OPT_READ_OFFSET, drive ? DriveReadOffset(*drive) : 0);
  Enable(IDC_OPT_READ_OFFSET, !name.empty());
  Enable(IDC_OPT_DETECT_OFFSET, !name.empty() && detect_ != nullptr);
  return TRUE;
}

bool COptionAccuracy::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_OPT_DETECT_OFFSET) return false;
  OnDetect();
  return true;
}

void COptionAccuracy::OnDetect() {
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  int32_t offset = 0;
  uint32_t confidence = 0;
  std::string why;
  bool found = detect_(offset, confidence, why);
  SetCursor(old);
  if (!found) {
    MessageBoxA(Handle(), why.c_str(), "Detect Read Offset", MB_OK | MB_ICONINFORMATION);
    return;
  }
  SetNumber(IDC_OPT_READ_OFFSET, offset);
  std::string text = Format("The drive's read offset is %+d samples (AccurateRip confidence %u).", offset,
                            confidence) +
                     "\nOK stores it for this drive.";
  MessageBoxA(Handle(), text.c_str(), "Detect Read Offset", MB_OK | MB_ICONINFORMATION);
}

std::vector<INTEGER_FIELD> COptionAccuracy::NumberFields() const {
  if (!IsWindowEnabled(GetDlgItem(Handle(), IDC_OPT_READ_OFFSET))) return {};
  return {kReadOffsetField};
}

bool COptionAccuracy::Apply() {
  int offset = 0;
  bool hasDrive = IsWindowEnabled(GetDlgItem(Handle(), IDC_OPT_READ_OFFSET)) != FALSE;
  if (hasDrive && !ReadField(kReadOffsetField, offset)) return false;
  settings_.AccurateRip = Checked(IDC_OPT_ACCURATERIP) ? 1 : 0;
  settings_.SecureRead = Checked(IDC_OPT_SECURE_READ) ? 1 : 0;
  settings_.VerifyMP3 = Checked(IDC_OPT_VERIFY_MP3) ? 1 : 0;
  // The offset belongs to the drive: it is stored at once under its name.
  const CDriveIdentity* drive = CurrentDrive();
  if (hasDrive && drive) StoreDriveReadOffset(ReadOffsetValueName(*drive), offset);
  return true;
}
