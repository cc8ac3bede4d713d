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

// Makes way for a new file: a plain file at the path is deleted (a hard link loses only that
// name). A link or a folder is left as it is and answers ERROR_FILE_EXISTS: writing there would
// change what it points to. 0 when nothing stands at the path now.
inline DWORD ClearForNewFile(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 0 : error;
  }
  if (a & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return ERROR_FILE_EXISTS;
  return DeleteFileW(path.c_str()) ? 0 : GetLastError();
}

// A new, empty file where a plain file or nothing stood; CREATE_NEW never opens what was planted
// at the name meanwhile. Empty on failure, with the system error set.
inline UniqueHandle CreateNewFile(const std::wstring& path, DWORD access, DWORD share,
                                  SECURITY_ATTRIBUTES* attributes = nullptr) {
  DWORD error = ClearForNewFile(path);
  if (error != 0) {
    SetLastError(error);
    return UniqueHandle();
  }
  return UniqueHandle(CreateFileW(path.c_str(), access, share, attributes, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The "ProductVersion" text of a file's version resource in its first translation; empty when
// the file has none.
std::wstring FileProductVersion(const std::wstring& path);

// Replaces a file's bytes with change(bytes) through one handle, opened with no sharing, so no
// copy of the old text is left anywhere. False (file untouched) when it cannot be opened or read,
// e.g. while its writer still holds it; an absent file is false too.
bool RewriteInPlace(const std::wstring& path, const std::function<std::string(const std::string&)>& change);

}  // namespace platform
