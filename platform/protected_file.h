// A small file that only administrators and the system can open, whose text is sealed with the
// machine's data protection: for what a later run of the setup needs but nobody may read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// Writes the lines anew; 0 or the Windows error (nothing is left behind on an error).
DWORD WriteProtectedLines(const std::wstring& path, const std::vector<std::wstring>& lines);
// Reads and unseals the lines, then deletes the file; 0 or the Windows error.
DWORD TakeProtectedLines(const std::wstring& path, std::vector<std::wstring>& lines);

}  // namespace platform
