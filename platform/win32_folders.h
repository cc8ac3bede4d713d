// The Windows folder and the system libraries in it, for the Win32 implementations.
#pragma once

#include <string>

#include "platform/handles.h"

namespace platform {

// GetWindowsDirectoryW without a trailing backslash; empty when it cannot be read.
std::wstring WindowsDirectory();
// A DLL of the system folder by its full path, never through the search path; empty when the
// Windows folder cannot be read or the library does not load.
Library LoadSystemLibrary(const wchar_t* fileName);

}  // namespace platform
