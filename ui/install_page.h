// The page on which the work happens: one worker thread per process runs the prerequisites and
// the engine sequence of the run mode, while the page shows a marquee bar and the status line.
#pragma once

#include <atomic>
#include <memory>

#include "engine/run_executor.h"
#include "platform/handles.h"
#include "resources/wizard_ids.h"
#include "ui/msi_interface.h"
#include "ui/wizard_page.h"

// The worker's one message to the page: the work has ended.
constexpr UINT kWorkerFinishedMessage = WM_USER;

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
  void OnFailure(const std::wstring& text) override;
  void OnPrerequisitesDone(bool passed) override;
  // A new installer context for the next sequence; its messages come through the observer.
  void OnSequenceStarting() override;
  bool WantsInstallerMessages() const override { return true; }
  int OnInstallerMessage(uint32_t type, const wchar_t* message) override;
  void OnRetiredSystem() override;
  HWND StatusLine() const { return Item(IDC_STATUS_LINE); }

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
  CPictureEx side_;
};
