// The progress window: the product name as title and heading, the mode, a moving bar and the
// setup's latest status line.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "progress/arguments.h"
#include "progress/record_reader.h"

// The window message that carries a ProgressMessage* from the reader.
constexpr UINT kRecordMessage = WM_APP + 1;

// How this program ends: 0 after "finished" or the end of its input, 2 after "failed", 4 after
// "not supported", 1 when it has no input to read.
constexpr int kExitDone = 0;
constexpr int kExitNoInput = 1;
constexpr int kExitFailed = 2;
constexpr int kExitNotSupported = 4;

// What one message means for the run.
struct RunStep {
  bool ends = false;
  int exitCode = kExitDone;
  DWORD showMilliseconds = 0;  // how long the last text stays on screen before the end
  std::wstring status;         // the new status line; empty leaves it as it is
  int position = -1;           // the bar's new position, 0 to 100; -1 leaves it as it is
};
RunStep Interpret(const ProgressMessage& message);

class ProgressWindow {
 public:
  explicit ProgressWindow(ProgressArguments arguments) : arguments_(std::move(arguments)) {}
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Creates and shows the window; false where windows cannot be created (no display).
  bool Create(HINSTANCE instance);
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OnRecord(const ProgressMessage& message);
  int Scale(int value) const { return MulDiv(value, dpi_, 96); }

  ProgressArguments arguments_;
  HWND window_ = nullptr;
  HWND status_ = nullptr;
  HWND bar_ = nullptr;
  platform::GdiObject textFont_;
  platform::GdiObject headingFont_;
  int dpi_ = 96;
  bool ending_ = false;
  int exitCode_ = kExitDone;
};
