#include "jobs/processing_window_win.h"

#include "jobs/job_report_win.h"
#include "jobs/job_workers.h"
#include "platform/messages.h"
#include "platform/text.h"

CProcessingDialog::CProcessingDialog(HWND mainWindow) : CDialog(IDD_PROCESSING, mainWindow), mainWindow_(mainWindow) {}

BOOL CProcessingDialog::OnInitDialog() {
  // Without its panels the window could show nothing of a job: start none.
  if (!pages_.Create(Handle(), IDC_PANEL_FRAME, {&extractPanel_, &encodePanel_, &errorPanel_, &okPanel_})) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  if (decode) {
    ShowPanel(encodePanel_);
    encodePanel_.SetGroupText(LoadResourceString(IDS_GROUP_DECODING));
    PostMessageA(mainWindow_, UM_START_JOB, 1, 1);
  } else if (normalize) {
    ShowPanel(encodePanel_);
    encodePanel_.SetGroupText(LoadResourceString(IDS_GROUP_NORMALIZE));
    PostMessageA(mainWindow_, UM_START_JOB, 1, 2);
  } else {
    ShowPanel(encodeFiles ? static_cast<CDialog&>(encodePanel_) : extractPanel_);
    PostMessageA(mainWindow_, UM_START_JOB, encodeFiles ? 1 : 0, 0);
  }
  return TRUE;
}

bool CProcessingDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  static const MESSAGE_MAP_ENTRY<CProcessingDialog> map[] = {
      {UM_EXTRACT_PROGRESS, 0, &CProcessingDialog::OnExtractProgress},
      {UM_ENCODE_PROGRESS, 0, &CProcessingDialog::OnEncodeProgress},
      {UM_ITEM_START, 0, &CProcessingDialog::OnItemStart},
      {UM_ENCODE_START, 0, &CProcessingDialog::OnEncodeStart},
      {UM_DECODE_START, 0, &CProcessingDialog::OnDecodeStart},
      {UM_BACKGROUND_ENCODES, 0, &CProcessingDialog::OnBackgroundEncodes},
      {UM_JOB_DONE, 0, &CProcessingDialog::OnJobDone},
      {UM_JOB_FAILED, 0, &CProcessingDialog::OnJobFailed},
  };
  return Route(this, map, message, wParam, lParam, result);
}

void CProcessingDialog::ShowPanel(CDialog& panel) { pages_.Show(panel); }

bool CProcessingDialog::PreTranslateMessage(MSG& msg) { return pages_.TranslateNavigation(msg); }

void CProcessingDialog::SetTitle(UINT format, int number, const std::string& text) {
  SetWindowTextA(Handle(), ItemTitle(LoadResourceString(format), number, total, text).c_str());
}

LRESULT CProcessingDialog::OnExtractProgress(WPARAM wParam, LPARAM lParam) {
  // Posted progress can arrive after the end panel is up.
  if (ended_) return 0;
  extractPanel_.ShowProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
  return 0;
}

LRESULT CProcessingDialog::OnEncodeProgress(WPARAM wParam, LPARAM lParam) {
  if (ended_) return 0;
  encodePanel_.ShowProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
  return 0;
}

LRESULT CProcessingDialog::OnItemStart(WPARAM wParam, LPARAM lParam) {
  std::string text = TakeMessageText(lParam);
  if (ended_) return 0;
  // A new item or pass starts from nothing, not from the last one's 100%.
  extractPanel_.Reset();
  encodePanel_.Reset();
  if (wParam == ITEM_NORMALIZING || wParam == ITEM_SEEKING_PEAK) {
    SetTitle(IDS_TITLE_NORMALIZING, current_, text);
    ShowPanel(extractPanel_);
    extractPanel_.SetGroupText(
        LoadResourceString(wParam == ITEM_NORMALIZING ? IDS_GROUP_NORMALIZING : IDS_GROUP_SEEKING_PEAK));
    return 0;
  }
  if (encodeFiles) {
    SetTitle(IDS_TITLE_ENCODING, current_ + 1, text);
    ShowPanel(encodePanel_);
  } else {
    SetTitle(IDS_TITLE_EXTRACTING, current_ + 1, text);
    ShowPanel(extractPanel_);
    extractPanel_.SetGroupText(LoadResourceString(IDS_GROUP_EXTRACTING));
  }
  ++current_;
  return 0;
}

LRESULT CProcessingDialog::OnEncodeStart(WPARAM, LPARAM lParam) {
  std::string text = TakeMessageText(lParam);
  if (ended_) return 0;
  SetTitle(IDS_TITLE_ENCODING, current_, text);
  ShowPanel(encodePanel_);
  return 0;
}

LRESULT CProcessingDialog::OnDecodeStart(WPARAM, LPARAM lParam) {
  SetTitle(IDS_TITLE_DECODING, current_, TakeMessageText(lParam));
  ShowPanel(encodePanel_);
  return 0;
}

LRESULT CProcessingDialog::OnBackgroundEncodes(WPARAM wParam, LPARAM) {
  if (!ended_) extractPanel_.ShowBackgroundEncodes(static_cast<uint32_t>(wParam));
  return 0;
}

LRESULT CProcessingDialog::OnJobDone(WPARAM wParam, LPARAM) {
  ended_ = true;
  const CJob* job = reinterpret_cast<const CJob*>(wParam);
  for (const CJobItem& item : job->items) okPanel_.AddOutput(item.outputPath, item.outputFolder);
  ShowPanel(okPanel_);
  SetWindowTextA(Handle(), LoadResourceString(IDS_TITLE_FINISHED).c_str());
  SetDlgItemTextA(Handle(), IDOK, LoadResourceString(IDS_BUTTON_CLOSE).c_str());
  return 0;
}

LRESULT CProcessingDialog::OnJobFailed(WPARAM, LPARAM) {
  ended_ = true;
  ShowPanel(errorPanel_);
  SetDlgItemTextA(Handle(), IDOK, LoadResourceString(IDS_BUTTON_CLOSE).c_str());
  return 0;
}

void CProcessingDialog::OnOK() {
  // "Abort" while working, "Close" at the end: either way the worker is
  // told, and the window does not wait for it.
  PostMessageA(mainWindow_, UM_ABORT_JOB, 0, 0);
  EndDialog(IDOK);
}
