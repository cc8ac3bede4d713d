// Starting a command hidden and waiting for it, and starting one in the interactive user's
// session when this program runs as a service account.
#pragma once

#include <windows.h>

#include <string>

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/processes.h"

// Waits for a started child and answers its exit code, or the Windows error when it cannot be
// waited for or its code read: an outcome that cannot be known is never reported as 0.
DWORD WaitForExitCode(platform::ChildProcess& child);

// Runs the command line without a window and waits for it: the child's exit code, or the Windows
// error when the process cannot be created, waited for or its exit code read. Logs nothing.
DWORD RunHiddenCommand(platform::Processes& processes, const std::wstring& commandLine);
// The same, with a line in the log when a program named without a folder was found nowhere.
DWORD RunHiddenCommand(platform::Processes& processes, LogFile& log, const std::wstring& commandLine);

// After a failed start: says so in the log when the program was named without a folder and found
// in none of the folders it is looked for in. Other failures are left to the caller.
void LogProgramNotFound(LogFile& log, const std::wstring& program, DWORD error);

// Starts the command line in the first active session whose user token can be had, on that user's
// desktop and with that user's environment; `in` and `out` (either may be null) become the child's
// standard input and output/error. Waited for: the child's exit code or the error of the failing
// step. Not waited for: 0 once the child is started. Nothing started: the error of the last failing
// step, ERROR_NO_SUCH_LOGON_SESSION (logged) when no session is active.
DWORD RunAsLoggedOnUser(platform::Processes& processes, LogFile& log, const PropertyMap& properties, bool wait,
                        HANDLE in, HANDLE out, const std::wstring& commandLine);
