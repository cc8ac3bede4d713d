// progress.exe: shows a forced-silent setup's progress on the user's desktop, from the records
// the setup writes to this program's standard input, and ends when the setup says so or when
// that input ends.
#include <windows.h>

#include <memory>

#include "progress/arguments.h"
#include "progress/progress_window.h"
#include "progress/record_reader.h"
#include "platform/win32_folders.h"

namespace {

// Without a display there is nothing to show, but the run still ends the same way.
int RunWithoutWindow() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd != nullptr || message.message != kRecordMessage) continue;
    std::unique_ptr<ProgressMessage> record(reinterpret_cast<ProgressMessage*>(message.lParam));
    if (!record) continue;
    const RunStep step = Interpret(*record);
    if (step.ends) return step.exitCode;
  }
  return kExitDone;
}

int RunWindow() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : kExitDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::RestrictDllSearchToSystemFolder();
  // Started without a pipe (by hand, from a console): there is nothing to wait for.
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!UsableInput(input)) return kExitNoInput;

  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue the reader may post to

  ProgressWindow window(ParseProgressArguments(ProcessArguments()));
  const bool shown = window.Create(instance);
  if (!StartRecordReader(input, shown ? window.Handle() : nullptr, GetCurrentThreadId(), kRecordMessage))
    return kExitNoInput;
  return shown ? RunWindow() : RunWithoutWindow();
}
