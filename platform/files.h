// File-system and environment questions asked all over the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/handles.h"

namespace platform {

inline bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool IsDirectory(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The variable's value; empty when it is not set.
inline std::wstring EnvironmentValue(const std::wstring& name) {
  DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name.c_str(), value.data(), n);
  value.resize(n);
  return value;
}

// Tells the running programs that the machine's environment variables changed; a program that
// does not answer within a tenth of a second is not waited for.
inline void BroadcastEnvironmentChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"), SMTO_ABORTIFHUNG,
                      100, &ignored);
}

// Opens an existing file for reading with no sharing and closes it at once: 0 when that worked,
// else the system error (a file another program holds open, even for reading, fails).
inline DWORD ExclusiveOpenError(const std::wstring& path) {
  UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return h ? 0 : GetLastError();
}

// The "ProductVersion" text of a file's version resource in its first translation; empty when
// the file has none.
std::wstring FileProductVersion(const std::wstring& path);

// Replaces a file's bytes with change(bytes) through one handle, opened with no sharing, so no
// copy of the old text is left anywhere. False (file untouched) when it cannot be opened or read,
// e.g. while its writer still holds it; an absent file is false too.
bool RewriteInPlace(const std::wstring& path, const std::function<std::string(const std::string&)>& change);

}  // namespace platform
