// How the engine tells whoever shows the run what happens, without knowing how it is shown: the
// wizard's install page paints it, the silent run sends it down the progress pipe, a test records
// it. Every operation has an empty default so an observer hears only what it shows.
#pragma once

#include <cstdint>
#include <string>

// The Windows Installer messages an observer is given: errors, warnings, user and info messages,
// action data, progress, the common data and the end of the package's UI.
constexpr uint32_t kInstallerMessageFilter = 0x669F;

class EngineObserver {
 public:
  virtual ~EngineObserver() = default;

  // Whether status texts are shown at all; the engine skips composing and logging them otherwise.
  virtual bool ShowsStatus() const { return false; }
  // The status line: what the engine does now.
  virtual void OnStatus(const std::wstring& text) { (void)text; }
  // A finer status than the progress pipe carries: only a screen beside the work shows it.
  virtual void OnDetail(const std::wstring& text) { (void)text; }
  // Between a group's packages and its commit: the status line is rewritten out of sight.
  virtual void OnStatusHidden() {}
  // A package of a sequence, by its display name, before it starts and after it returned.
  virtual void OnPackageStarted(const std::wstring& name) { (void)name; }
  virtual void OnPackageEnded(const std::wstring& name, int result) { (void)name, (void)result; }
  // The walk of a package sequence: each package it reaches, before and after its turn, whether
  // it then runs, is skipped or fails. The run's progress is measured in these turns.
  virtual void OnPackageTurnBegins() {}
  virtual void OnPackageTurnEnds() {}
  // Whether a cancel may interrupt the work now (inside a group's transaction).
  virtual void OnCancelAllowed(bool allowed) { (void)allowed; }
  // The person at the screen has confirmed a cancel: no further package starts, and one that ran
  // meanwhile counts as cancelled whatever Windows Installer answered (it may have ignored the
  // cancel), so its group is rolled back.
  virtual bool CancelConfirmed() const { return false; }
  // Windows Installer's own messages while a package runs (progress, action data, errors), when
  // the observer wants them; the answer goes back to Windows Installer (0: not handled, IDOK,
  // IDCANCEL to cancel the package).
  virtual bool WantsInstallerMessages() const { return false; }
  virtual int OnInstallerMessage(uint32_t type, const wchar_t* message) {
    (void)type, (void)message;
    return 0;
  }
  // A failure the person at the screen must read before the run goes on (already logged);
  // the observer that shows it waits for the person.
  virtual void OnFailure(const std::wstring& text) { (void)text; }
};

// The observer of runs that show nothing.
inline EngineObserver& NoObserver() {
  static EngineObserver none;
  return none;
}
