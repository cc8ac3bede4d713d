// Running a program and waiting for its end, for a launcher that only passes a run through.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// CreateProcessW of `program` with `commandLine` (its first word the program, quoted), this
// process's environment and current folder, no handles inherited; waits without time-out.
// 0 with the child's exit code, or the system error of the start or the wait.
DWORD RunAndWait(const std::wstring& program, const std::wstring& commandLine, DWORD& exitCode);

}  // namespace platform
