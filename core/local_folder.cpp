#include "core/local_folder.h"

#include <windows.h>

#include "platform/system_queries.h"
#include "platform/text.h"

bool IsUncPath(std::wstring_view path) {
  if (text::StartsWithNoCase(path, L"\\\\?\\UNC\\")) return path.size() > 8;
  return path.size() > 2 && path.substr(0, 2) == L"\\\\" && path[2] != L'?' && path[2] != L'.' && path[2] != L'\\';
}

bool IsLocalFixedFolder(const std::wstring& path, platform::SystemQueries& system) {
  if (path.size() < 2 || path.size() > 130 || path.compare(0, 2, L"\\\\") == 0 || path[1] != L':') return false;
  if (path.size() > 2 && path[2] != L'\\') return false;
  return system.DriveType(path.substr(0, 2) + L"\\") == DRIVE_FIXED;
}
