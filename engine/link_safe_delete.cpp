#include "engine/link_safe_delete.h"

#include "platform/handles.h"

namespace link_safe {
namespace {

bool IsLink(DWORD attributes) { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }

DWORD RemoveOne(const std::wstring& path, DWORD attributes) {
  // Read-only would refuse the delete; the attribute goes with the file anyway.
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  return removed ? 0 : GetLastError();
}

DWORD DeleteTree(const std::wstring& path, DWORD attributes) {
  DWORD first = 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(attributes)) {
    WIN32_FIND_DATAW found;
    platform::FindHandle search(FindFirstFileW((path + L"\\*").c_str(), &found));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        DWORD error = DeleteTree(path + L"\\" + name, found.dwFileAttributes);
        if (error && !first) first = error;
      } while (FindNextFileW(search.get(), &found));
    }
  }
  DWORD error = RemoveOne(path, attributes);
  return first ? first : error;
}

}  // namespace

bool LinkOnTheWay(const std::wstring& fullPath) {
  // From the first folder below the drive root ("C:\a") to the parent of the path.
  for (size_t slash = fullPath.find(L'\\', 3); slash != std::wstring::npos; slash = fullPath.find(L'\\', slash + 1)) {
    DWORD attributes = GetFileAttributesW(fullPath.substr(0, slash).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes)) return true;
  }
  return false;
}

DWORD Delete(const std::wstring& fullPath) {
  DWORD attributes = GetFileAttributesW(fullPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 0 : error;
  }
  return DeleteTree(fullPath, attributes);
}

bool InUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_DIR_NOT_EMPTY;
}

}  // namespace link_safe
