// Reading the setup's records from standard input on a thread of their own, so the window
// never waits on the pipe.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/progress_record.h"

// What arrives: a record from the setup (codes of ProgressCodes), or the end of the input.
struct ProgressMessage : ProgressCodes {
  static constexpr uint32_t kInputEnded = 0;  // never sent by the setup

  uint32_t code = kInputEnded;
  std::wstring text;
};

// The code and the text up to its first zero unit.
ProgressMessage ParseRecord(const ProgressRecord& record);

// Is this standard input something a read will come back from (a pipe or a file)? A console
// or a missing handle is not.
bool UsableInput(HANDLE input);

// Starts the reader: every message goes to `window` as `messageId` with a heap ProgressMessage*
// in lParam (the receiver deletes it), or to the thread `threadId` when there is no window. The
// last message is always one of code kInputEnded. False when the thread cannot be started.
bool StartRecordReader(HANDLE input, HWND window, DWORD threadId, UINT messageId);
