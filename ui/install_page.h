// The page on which the work happens: one worker thread per process runs the prerequisites and
// the engine sequence of the run mode, while the page shows a marquee bar and the status line.
#pragma once

#include <atomic>
#include <memory>

#include "platform/handles.h"
#include "ui/msi_interface.h"
#include "ui/wizard_page.h"

// The worker's one message to the page: the work has ended.
constexpr UINT kWorkerFinishedMessage = WM_USER;

class InstallPage : public WizardPage {
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
  static DWORD WINAPI InstallWorker(LPVOID page);
  static DWORD WINAPI UninstallWorker(LPVOID page);
  static DWORD WINAPI RepairWorker(LPVOID page);
  static DWORD WINAPI UpgradeWorker(LPVOID page);
  void StartWorker(UINT positionFlags);
  void Finish();  // the end of every worker
  // A new installer context and the handler installed with it.
  void BeginSequence();
  void RunInstallSequence(const std::wstring& text);
  void RunUninstallSequence(const std::wstring& text);
  void RunRepairSequence();
  bool RunPrerequisites();
  void FinishTransition();
  HWND StatusLine() const { return Item(208); }

  bool canadian_ = false;
  std::atomic<bool> workerFinished_{false};
  platform::UniqueHandle worker_;
  std::shared_ptr<MSIInterface> installer_;
  CPictureEx side_;
};
