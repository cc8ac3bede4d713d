// The Windows and system folders and the system libraries in them, for the Win32 implementations.
#pragma once

#include <string>

#include "platform/handles.h"

namespace platform {

// GetWindowsDirectoryW without a trailing backslash; empty when it cannot be read.
std::wstring WindowsDirectory();
// GetSystemDirectoryW without a trailing backslash; empty when it cannot be read. Programs the
// setup starts by name come from here (and the Windows folder), never from beside setup.exe.
std::wstring SystemDirectory();
// A DLL of the system folder by its full path, never through the search path; empty when the
// Windows folder cannot be read or the library does not load.
Library LoadSystemLibrary(const wchar_t* fileName);
// Called first thing in main: DLLs loaded from here on (delay-loaded imports, libraries that
// system DLLs load by name) come from the system folder only, never from the program's folder
// or the current one. Windows 7 without the update that adds SetDefaultDllDirectories only
// loses the current folder from the search.
void RestrictDllSearchToSystemFolder();

}  // namespace platform
