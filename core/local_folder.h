// What counts as a folder on this machine's own disks, and what as a network share.
#pragma once

#include <string>
#include <string_view>

namespace platform {
class SystemQueries;
}

// "\\server\share..." or "\\?\UNC\server\share..."; a device path ("\\?\C:\", "\\.\") is none.
bool IsUncPath(std::wstring_view path);

// A folder (already trimmed) of 2 to 130 characters, no UNC path, "X:" or "X:\..." on a fixed
// drive. "X:folder" is refused: it depends on the drive's current folder.
bool IsLocalFixedFolder(const std::wstring& path, platform::SystemQueries& system);
