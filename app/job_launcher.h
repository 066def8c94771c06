#pragma once
// Builds and starts the main window's jobs: Extract on the checked rows,
// the three file commands and the shell's file requests. The processing
// window runs modally and asks for the start of its job (UM_START_JOB);
// each job gets its own CJob, worker thread and abort event, so a new job
// never shares state with a worker still finishing an aborted item.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jobs/job_workers.h"

class CAppSettings;
class CCdromDevice;
class CDriveCommands;
class CEncoderBinding;
class CProcessingDialog;
class CTrackList;
struct CDiscRecord;

class CJobLauncher {
 public:
  CJobLauncher(CAppSettings& settings, CDriveCommands& commands, const CEncoderBinding& encoder,
               const CCdromDevice& cdrom, const CDiscRecord& disc, const CTrackList& list, bool& busy)
      : settings_(settings),
        commands_(commands),
        encoder_(encoder),
        cdrom_(cdrom),
        disc_(disc),
        list_(list),
        busy_(busy) {}
  ~CJobLauncher();
  CJobLauncher(const CJobLauncher&) = delete;
  CJobLauncher& operator=(const CJobLauncher&) = delete;

  // The main window: owner of the dialogs, receiver of the log lines.
  void SetOwner(HWND owner) { owner_ = owner; }
  // What runs before a CD job opens its window: playback stops, so the
  // drive reads for the job alone.
  void SetBeforeCdJob(std::function<void()> action) { beforeCdJob_ = std::move(action); }
  // What the file dialogs' "Options..." button runs, given the dialog.
  void SetFileDialogOptions(std::function<void(HWND dialog)> action) { fileDialogOptions_ = std::move(action); }
  // The files of the next file job; the shell's file requests fill it too.
  std::vector<std::string>& InputFiles() { return inputFiles_; }

  // Extract: a CD job of the checked rows, unless busy or none is checked.
  void RunExtract();
  // Encode, Decode and Normalize: the files chosen in the open dialog.
  void RunFileCommand(JOB_KIND kind);
  // Runs the processing window for count items; the caller holds the busy flag.
  void RunProcessingWindow(JOB_KIND kind, size_t count);
  // UM_START_JOB from the processing window: wParam 0 = the CD job, 1 = a
  // file job of the kind lParam names. A job that cannot start closes the
  // window with a message.
  void StartJob(WPARAM wParam, LPARAM lParam);
  // UM_ABORT_JOB: signals the running job's abort event.
  void Abort();

 private:
  std::unique_ptr<CJob> BuildCdJob() const;
  std::unique_ptr<CJob> BuildFileJob() const;
  JOB_STEPS MakeSteps() const;
  // The drive's read offset and the disc the rip is proved against.
  void PrepareAccuracy(CJob& job) const;
  bool StartWorker(std::unique_ptr<CJob> job, JOB_KIND kind);
  void WaitForPreviousWorker();
  void RefuseStart(const std::string& text);

  CAppSettings& settings_;
  CDriveCommands& commands_;
  const CEncoderBinding& encoder_;
  const CCdromDevice& cdrom_;
  const CDiscRecord& disc_;
  const CTrackList& list_;
  bool& busy_;
  HWND owner_ = nullptr;
  std::function<void()> beforeCdJob_;
  std::function<void(HWND)> fileDialogOptions_;
  std::vector<std::string> inputFiles_;
  CProcessingDialog* processing_ = nullptr;  // while its modal loop runs
  HANDLE abortEvent_ = nullptr;              // the running job's; the worker holds its own copy
  HANDLE worker_ = nullptr;                  // the last worker thread, which may outlive its window
};
