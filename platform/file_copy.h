// Copying a file's bytes into a file of our own making.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Copies `from` into a new file `to` (a plain file there is replaced; a link or folder in its place
// is left alone and answers ERROR_FILE_EXISTS, so nothing is written through it). On any failure
// nothing is left at `to`. 0 or the system error.
DWORD CopyAsNewFile(const std::wstring& from, const std::wstring& to);

}  // namespace platform
