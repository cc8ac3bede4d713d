#include "platform/win32_folders.h"

#include <windows.h>

namespace platform {

namespace {

std::wstring FolderFrom(UINT (WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = query(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring folder(buffer, n);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace

std::wstring WindowsDirectory() { return FolderFrom(GetWindowsDirectoryW); }

std::wstring SystemDirectory() { return FolderFrom(GetSystemDirectoryW); }

Library LoadSystemLibrary(const wchar_t* fileName) {
  const std::wstring windows = WindowsDirectory();
  if (windows.empty()) return Library();
  return Library(LoadLibraryW((windows + L"\\system32\\" + fileName).c_str()));
}

void RestrictDllSearchToSystemFolder() {
  // kernel32 is always loaded; the function is looked up because older systems lack it.
  using SetDefault = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefault>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
}

}  // namespace platform
