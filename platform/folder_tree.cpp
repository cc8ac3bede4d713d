#include "platform/folder_tree.h"

#include <optional>
#include <tuple>

#include "platform/handles.h"

namespace platform {

namespace {

using Identity = std::tuple<DWORD, DWORD, DWORD>;  // volume serial, file index high and low

std::optional<Identity> IdentityOf(const std::wstring& path) {
  UniqueHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!opened || !GetFileInformationByHandle(opened.get(), &info)) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Where the first folder that may be made starts: past "C:\" or past "\\server\share\".
size_t FirstMakeable(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) != 0) return 3;
  size_t at = 2;
  for (int separators = 0; separators < 2 && at != std::wstring::npos; ++separators) at = path.find(L'\\', at + 1);
  return at == std::wstring::npos ? path.size() : at + 1;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

DWORD ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return GetLastError();
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(search.get(), &found));
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return {};
  full.resize(size);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

DWORD CreatePlainFolder(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  if (error != ERROR_ALREADY_EXISTS) return error;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  const bool plain = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  return plain ? 0 : ERROR_FILE_EXISTS;
}

DWORD CreateFolderPath(const std::wstring& path) {
  for (size_t end = path.find(L'\\', FirstMakeable(path));; end = path.find(L'\\', end + 1)) {
    const std::wstring part = path.substr(0, end);
    if (!CreateDirectoryW(part.c_str(), nullptr)) {
      const DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS) return error;
    }
    if (end == std::wstring::npos) break;
  }
  return 0;
}

bool IsSameOrInside(const std::wstring& path, const std::wstring& root) {
  const std::wstring fullRoot = FullPath(root);
  std::wstring folder = FullPath(path);
  if (fullRoot.empty() || folder.empty()) return false;
  const std::optional<Identity> rootIdentity = IdentityOf(fullRoot);
  for (;;) {
    if (SameName(folder, fullRoot)) return true;
    const bool exists = GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (rootIdentity && exists && IdentityOf(folder) == rootIdentity) return true;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= folder.size() || folder.size() <= FirstMakeable(folder))
      return false;
    folder.resize(slash < 3 ? 3 : slash);
  }
}

}  // namespace platform
