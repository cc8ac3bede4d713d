// The page on which the work happens: one worker thread per process runs the prerequisites and
// the engine sequence of the run mode, while the page shows the status line and a bar: a marquee
// until there is something to measure, then the run's progress.
#pragma once

#include <atomic>
#include <memory>

#include "engine/run_executor.h"
#include "engine/run_progress.h"
#include "platform/handles.h"
#include "resources/wizard_ids.h"
#include "ui/msi_interface.h"
#include "ui/wizard_page.h"

// The worker's messages to the page: the work has ended; the bar's new position (wParam).
constexpr UINT kWorkerFinishedMessage = WM_USER;
constexpr UINT kProgressPositionMessage = WM_APP + 1;
constexpr UINT kPassiveButtonsMessage = WM_APP + 2;  // the page's own, after the sheet's button flags
// Puts the keyboard focus where a person can act: Cancel while it may be pressed, else the page
// itself, so Esc still reaches the cancel handling (posted: the worker reports from its thread).
constexpr UINT kPlaceFocusMessage = WM_APP + 3;

// The page is the run's observer: the engine reports to it from the worker thread.
class InstallPage : public WizardPage, private RunObserver {
 public:
  explicit InstallPage(WizardHost& host);
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnQueryCancel() override;
  BOOL OnWizardFinish() override;
  void LoadPageTexts() override;
  void DoDataExchange() override;
  void OnEnterKey() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  bool WorkerFinished() const { return workerFinished_; }
  bool WorkerStarted() const { return static_cast<bool>(worker_); }
  // Waits at most the time given for the worker to return; true when it has (or never started).
  bool WaitForWorker(DWORD milliseconds) const;
  // Whether the work has run the product's finalize actions; asked once the worker has returned.
  bool Finalized(const Product& product) const { return executor_ && executor_->Finalized(product); }

 private:
  static DWORD WINAPI Worker(LPVOID page);
  void StartWorker(UINT positionFlags);
  void Finish();  // the end of the worker
  void FinishTransition();

  // What the engine reports, shown on the page.
  bool ShowsStatus() const override { return true; }
  void OnStatus(const std::wstring& text) override;
  void OnDetail(const std::wstring& text) override { OnStatus(text); }
  void OnStatusHidden() override;
  void OnCancelAllowed(bool allowed) override;
  bool CancelConfirmed() const override { return !*cancelQuestionAllowed_; }
  void OnWorkMeasured(int packages) override { progress_.SetPackageCount(packages); }
  void OnPackageTurnBegins() override;
  void OnPackageTurnEnds() override;
  void OnFailure(const std::wstring& text) override;
  void OnPrerequisitesDone(bool passed) override;
  // A new installer context for the next sequence; its messages come through the observer.
  void OnSequenceStarting() override;
  bool WantsInstallerMessages() const override { return true; }
  int OnInstallerMessage(uint32_t type, const wchar_t* message) override;
  void OnRetiredSystem() override;
  HWND StatusLine() const { return Item(IDC_STATUS_LINE); }
  // On the worker: hands a new position to the page. On the page: shows it.
  void ReportProgress();
  void ShowPosition(int position);

  bool canadian_ = false;
  bool workerStarted_ = false;  // the run's one worker; the page is made once per wizard
  std::shared_ptr<std::atomic<bool>> cancelQuestionAllowed_ = std::make_shared<std::atomic<bool>>(true);
  std::atomic<bool> workerFinished_{false};
  platform::UniqueHandle worker_;
  // Set while the worker may hand over the page; cleared while a box about the running work is
  // open. A gate the worker waits at between steps, where it holds no lock (suspending it could
  // stop it inside one and freeze the page with it).
  platform::UniqueHandle mayFinish_{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
  std::shared_ptr<MSIInterface> installer_;
  std::unique_ptr<RunExecutor> executor_;  // made by the worker, which alone uses it while it runs
  RunProgress progress_;                   // the worker's
  bool marquee_ = true;                    // the page's bar still shows a marquee
  CPictureEx side_;
};
