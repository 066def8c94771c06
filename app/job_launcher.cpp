#include "app/job_launcher.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/accuraterip_http_win.h"
#include "app/busy_guard.h"
#include "discinfo/cddb/cddb_toc.h"
#include "discinfo/disc_record.h"
#include "app/job_settings.h"
#include "app/mp3_player_win.h"
#include "app/settings.h"
#include "app/track_commands.h"
#include "app/track_list_win.h"
#include "cdrom/cdrom_device.h"
#include "jobs/extraction.h"
#include "jobs/encoder_library.h"
#include "jobs/job_report_win.h"
#include "jobs/mp3_decoding.h"
#include "jobs/mp3_encoding.h"
#include "jobs/normalize.h"
#include "jobs/processing_window_win.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "platform/thread_wait_win.h"

namespace {

const char* const kCannotStart = "The job could not be started: the system is out of resources.";

// The file dialogs' extension: its "Options..." button opens the Options
// dialog over the file dialog (the extension's parent).
UINT_PTR CALLBACK FileDialogHook(HWND extension, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const OPENFILENAMEA* dialog = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    SetWindowLongPtrA(extension, GWLP_USERDATA, static_cast<LONG_PTR>(dialog->lCustData));
    return TRUE;
  }
  if (message != WM_COMMAND || LOWORD(wParam) != IDC_FILE_OPTIONS) return FALSE;
  auto* options = reinterpret_cast<std::function<void(HWND)>*>(GetWindowLongPtrA(extension, GWLP_USERDATA));
  if (options && *options) (*options)(GetParent(extension));
  return TRUE;
}

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
  for (const char* p = buffer.data(); p < buffer.data() + buffer.size() && *p; p += strlen(p) + 1)
    parts.emplace_back(p);
  if (parts.size() <= 1) return parts;
  std::string folder = StripTrailingBackslashes(parts[0]) + "\\";
  std::vector<std::string> paths;
  for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  return paths;
}

// What the worker thread owns: it deletes the job and its report when it ends.
struct WORKER_START {
  JOB_KIND kind;
  JOB_STEPS steps;
  HWND progressWindow;
  std::unique_ptr<CWindowJobReport> report;
  std::unique_ptr<CJob> job;
};

DWORD WINAPI JobWorker(LPVOID parameter) {
  std::unique_ptr<WORKER_START> start(static_cast<WORKER_START*>(parameter));
  try {
    bool success = RunJobItems(start->kind, *start->job, start->steps);
    // Sent: the window reads the items while the worker waits.
    SendMessageA(start->progressWindow, success ? UM_JOB_DONE : UM_JOB_FAILED,
                 reinterpret_cast<WPARAM>(start->job.get()), 0);
  } catch (...) {
    SendMessageA(start->progressWindow, UM_JOB_FAILED, reinterpret_cast<WPARAM>(start->job.get()), 0);
  }
  return 0;
}

int ThreadPriorityOf(int setting) {
  static const int priorities[5] = {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST};
  return priorities[CorrectThreadPriority(setting)];
}

}  // namespace

CJobLauncher::~CJobLauncher() {
  if (abortEvent_) CloseHandle(abortEvent_);
  if (worker_) CloseHandle(worker_);
}

void CJobLauncher::RunExtract() {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  int checked = 0;
  for (int row = 0; row < list_.Count(); ++row)
    if (list_.Checked(row)) ++checked;
  if (checked == 0) {
    ShowMessage(owner_, IDS_SELECT_ONE_ITEM);
    return;
  }
  if (beforeCdJob_) beforeCdJob_();
  RunProcessingWindow(JOB_KIND::ExtractEncode, static_cast<size_t>(checked));
}

void CJobLauncher::RunFileCommand(JOB_KIND kind) {
  CBusyGuard busy(busy_);
  if (!busy.Held()) return;
  FILE_COMMAND command = FileCommandOf(kind);
  std::string filter = FileDialogFilter(command.filter);
  std::vector<char> names(25500, 0);
  strncpy(names.data(), command.defaultName, names.size() - 1);
  inputFiles_.clear();
  settings_.sessionOutputFolder = NormaliseFolder(settings_.OutputFolder);
  std::string title = LoadResourceString(command.title);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = names.data();
  dialog.nMaxFile = static_cast<DWORD>(names.size());
  dialog.lpstrInitialDir = settings_.sessionOutputFolder.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                 OFN_ENABLETEMPLATE | OFN_ENABLEHOOK;
  dialog.hInstance = GetModuleHandleA(nullptr);
  dialog.lpTemplateName = MAKEINTRESOURCEA(IDD_FILE_OPTIONS);
  dialog.lpfnHook = FileDialogHook;
  dialog.lCustData = reinterpret_cast<LPARAM>(&fileDialogOptions_);
  if (!GetOpenFileNameA(&dialog)) return;
  inputFiles_ = ChosenPaths(names);
  if (!inputFiles_.empty()) RunProcessingWindow(kind, inputFiles_.size());
}

void CJobLauncher::RunProcessingWindow(JOB_KIND kind, size_t count) {
  CProcessingDialog window(owner_);
  window.total = static_cast<int>(count);
  window.encodeFiles = kind == JOB_KIND::EncodeFiles || kind == JOB_KIND::DecodeFiles;
  window.decode = kind == JOB_KIND::DecodeFiles;
  window.normalize = kind == JOB_KIND::NormalizeFiles;
  window.SetPlayer({settings_.MP3Player, settings_.MP3PlayerParameters}, FindSystemMp3Player);
  processing_ = &window;
  window.DoModal();
  processing_ = nullptr;
}

void CJobLauncher::StartJob(WPARAM wParam, LPARAM lParam) {
  // Posted from the window's initialisation: it exists and has its handle.
  if (!processing_ || !processing_->Handle()) return;
  std::unique_ptr<CJob> job = wParam == 0 ? BuildCdJob() : BuildFileJob();
  if (!job) {
    RefuseStart(LoadResourceString(IDS_SELECT_ONE_ITEM));
    return;
  }
  if (!StartWorker(std::move(job), JobKindOfStartRequest(wParam, lParam))) RefuseStart(kCannotStart);
}

void CJobLauncher::RefuseStart(const std::string& text) {
  // Without a worker nothing would ever end the window or answer its Abort.
  ShowMessageText(owner_, text);
  processing_->EndDialog(IDCANCEL);
}

namespace {

// Where the CDDB component keeps the front cover of a disc it identified,
// named by the disc's CDDB identifier; "" for a TOC CDDB cannot name.
std::string CoverFileStem(const std::string& cacheFolder, const CD_TOC& toc) {
  std::vector<TRACK_RANGE> ranges = TrackRanges(toc);
  if (ranges.empty()) return std::string();
  CDDB_TOC cddb;
  for (const TRACK_RANGE& range : ranges) cddb.trackFrames.push_back(range.start + kCddbLeadInFrames);
  cddb.leadOutFrame = ranges.back().end + kCddbLeadInFrames;
  if (!IsValidCddbToc(cddb)) return std::string();
  return NormaliseFolder(cacheFolder) + "covers\\" + CddbDiscIdText(CddbDiscId(cddb));
}

}  // namespace

std::unique_ptr<CJob> CJobLauncher::BuildCdJob() const {
  auto job = std::make_unique<CJob>();
  for (int row = 0; row < list_.Count(); ++row) {
    if (!list_.Checked(row)) continue;
    int index = list_.TrackIndex(row);
    if (index < 0 || static_cast<size_t>(index) >= disc_.ranges.size()) continue;
    CJobItem item;
    item.startSector = static_cast<int>(disc_.ranges[static_cast<size_t>(index)].start);
    item.endSector = static_cast<int>(disc_.ranges[static_cast<size_t>(index)].end);
    item.sourceName = list_.Text(row, 1);
    item.trackIndex = index;
    if (const CTrackEntry* entry = RowTrackEntry(disc_, index)) item.texts = *entry;
    job->items.push_back(item);
  }
  if (job->items.empty()) return nullptr;
  job->keepWav = settings_.OutputFormat != 0;
  job->fileJob = false;
  job->discTracks = disc_.ranges.size();
  return job;
}

std::unique_ptr<CJob> CJobLauncher::BuildFileJob() const {
  auto job = std::make_unique<CJob>();
  for (const std::string& path : inputFiles_) {
    CJobItem item;
    item.sourceName = path;
    job->items.push_back(item);
  }
  job->keepWav = true;
  job->fileJob = true;
  return job;
}

void CJobLauncher::PrepareAccuracy(CJob& job) const {
  ACCURACY_OPTIONS& accuracy = job.options.accuracy;
  if (cdrom_.DriveCount() > 0) accuracy.readOffset = DriveReadOffset(cdrom_.Identity(cdrom_.SelectedUnit()));
  accuracy.accurateRipUrl = AccurateRipServer(accuracy.accurateRipUrl);
  CRipVerification& verification = job.verification;
  verification.disc = AccurateRipDisc(disc_.ranges);
  verification.serverUrl = accuracy.accurateRipUrl;
  // The CDDB time-out, held short: a rip should not wait minutes for a proof.
  verification.timeoutMs = std::clamp<int32_t>(settings_.ServerTimeout, 1000, 10000);
  verification.database = &SessionAccurateRipDatabase();
}

JOB_STEPS CJobLauncher::MakeSteps() const {
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

// A window closed by its title bar leaves its worker running. The next job
// waits for it: two workers would share the drive, the decoder and the
// output names. The sent messages (log lines) of the old one are answered
// meanwhile.
void CJobLauncher::WaitForPreviousWorker() {
  if (!worker_) return;
  WaitForThreadAnsweringSends(worker_);
  CloseHandle(worker_);
  worker_ = nullptr;
}

bool CJobLauncher::StartWorker(std::unique_ptr<CJob> job, JOB_KIND kind) {
  WaitForPreviousWorker();
  if (abortEvent_) CloseHandle(abortEvent_);
  abortEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!abortEvent_) return false;
  HANDLE workerCopy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), abortEvent_, GetCurrentProcess(), &workerCopy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return false;
  settings_.ThreadPriority = CorrectThreadPriority(settings_.ThreadPriority);
  auto start = std::make_unique<WORKER_START>();
  start->kind = kind;
  start->steps = MakeSteps();
  // The job keeps its own copy: the window may change the settings meanwhile.
  job->options = JobOptionsFromSettings(settings_);
  if (!job->fileJob) job->options.coverFileStem = CoverFileStem(settings_.CACHEDIRECTORY, disc_.toc);
  start->progressWindow = processing_->Handle();
  start->report = std::make_unique<CWindowJobReport>(processing_->Handle(), owner_, workerCopy);
  job->report = start->report.get();
  job->device = cdrom_.Handle();
  job->cancelled = false;
  if (!job->fileJob) PrepareAccuracy(*job);
  start->job = std::move(job);
  HANDLE thread = CreateThread(nullptr, 0, JobWorker, start.get(), CREATE_SUSPENDED, nullptr);
  if (!thread) return false;
  SetThreadPriority(thread, ThreadPriorityOf(settings_.ThreadPriority));
  if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
    // It never ran: the start record is still ours to free.
    TerminateThread(thread, 0);
    CloseHandle(thread);
    return false;
  }
  start.release();  // the worker owns it now
  worker_ = thread;
  return true;
}

void CJobLauncher::Abort() {
  if (abortEvent_) SetEvent(abortEvent_);
}
