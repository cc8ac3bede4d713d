#include "platform/remove_tree.h"

#include <windows.h>

#include "platform/handles.h"

namespace platform {

namespace {

bool RemoveEntry(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folder && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return RemoveTree(path);
  const BOOL removed = folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  if (removed) return true;
  MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return false;
}

}  // namespace

bool RemoveTree(const std::wstring& folder) {
  const DWORD own = GetFileAttributesW(folder.c_str());
  if (own == INVALID_FILE_ATTRIBUTES) return true;
  if (!(own & FILE_ATTRIBUTE_DIRECTORY) || (own & FILE_ATTRIBUTE_REPARSE_POINT)) return RemoveEntry(folder, own);
  bool all = true;
  WIN32_FIND_DATAW found;
  {
    FindHandle search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, 0));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        all = RemoveEntry(folder + L"\\" + name, found.dwFileAttributes) && all;
      } while (FindNextFileW(search.get(), &found));
    }
  }
  if (RemoveDirectoryW(folder.c_str())) return all;
  MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return false;
}

}  // namespace platform
