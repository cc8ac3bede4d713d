// File helpers shared by the unit tests: the tests' own folder and removing a scratch tree.
#pragma once

#include <windows.h>

#include <string>

namespace test_files {

// The folder of the running test executable, with a trailing backslash.
inline std::wstring ExecutableFolder() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Deletes a folder and everything in it; the path may or may not end in a backslash.
inline void RemoveTree(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace test_files
