#include "core/log_file.h"

#include "core/property_map.h"
#include "core/protected_folder.h"
#include "core/secret_mask.h"
#include "platform/files.h"

std::wstring LogFile::MakeLogFolder(platform::Security& security, std::vector<std::wstring>& notes, bool* parentSafe) {
  wchar_t drive[261] = {};
  DWORD n = GetEnvironmentVariableW(L"SYSTEMDRIVE", drive, 261);
  const std::wstring root = (n > 0 && n < 261) ? std::wstring(drive, n) : std::wstring();
  const std::wstring temp = root + L"\\Temp";
  const SharedFolder shared = MakeSharedFolder(security, temp, notes);
  ProtectedFolder made;
  bool safe = shared == SharedFolder::Guarded;
  if (shared == SharedFolder::Unusable) {
    // Beside the Temp folder, at the drive's root: there others may add folders but not remove
    // or rename an administrator's.
    made = MakeFreshProtectedFolder(security, root + L"\\DEVadirez", temp + L" cannot hold the log");
    safe = !security.InspectFolder(root + L"\\").othersMayRemove;
  } else {
    made = MakeProtectedFolder(security, temp + L"\\DEVadirez");
  }
  notes.insert(notes.end(), made.notes.begin(), made.notes.end());
  if (parentSafe) *parentSafe = safe;
  return made.usable ? made.path : std::wstring();
}

void LogFile::Open(PropertyMap& properties, platform::Security& security) {
  MaskWith(properties.Secrets());
  std::vector<std::wstring> notes;
  const std::wstring folder = MakeLogFolder(security, notes, &folderSafeAfterRun_);
  if (folder.empty()) {
    // Nowhere safe to write: the notes say why, for the caller's message.
    refusal_ = notes;
    return;
  }
  OpenAt(folder + L"\\Setup.log");
  if (!file_) {
    notes.push_back(text::Format(L"Creating %s failed with error code %d", path_, static_cast<int>(GetLastError())));
    refusal_ = notes;
    return;
  }
  HoldFolder();
  for (const std::wstring& note : notes) WriteLine(note);
  properties.Set(L"[TEMPDIRECTORY]", folder_);
}

void LogFile::MaskFile(const std::wstring& path, const SecretMask& secrets) {
  if (secrets.Empty() || !platform::FileExists(path)) return;
  if (!platform::RewriteInPlace(path, [&](const std::string& bytes) { return secrets.ApplyToFile(bytes); }))
    Log(L"Hiding passwords in %s failed with error %d.", path, static_cast<int>(GetLastError()));
}

void LogFile::MaskFile(const std::wstring& path) {
  if (secrets_) MaskFile(path, *secrets_);
}

void LogFile::HoldFolder() {
  // Without delete sharing, nobody can rename the folder away and put another in its place.
  folderHold_.reset(CreateFileW(folder_.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

void LogFile::OpenAt(const std::wstring& path) {
  path_ = path;
  size_t slash = path.find_last_of(L'\\');
  folder_ = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  // Close first: the old handle shares only reading and would block re-creating the same file.
  file_.reset();
  // A file left by someone else keeps its own access list when overwritten, and a link there
  // would take the lines elsewhere: the log is always a new file.
  file_ = platform::CreateNewFile(path, GENERIC_WRITE, FILE_SHARE_READ);
}

DWORD LogFile::MoveTo(const std::wstring& path) {
  platform::UniqueHandle moved = platform::CreateNewFile(path, GENERIC_WRITE, FILE_SHARE_READ);
  if (!moved) return GetLastError();
  // Re-read through a handle of its own: this one may only write.
  platform::UniqueHandle old(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
  char buffer[16384];
  DWORD read = 0;
  while (old && ReadFile(old.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    DWORD written = 0;
    if (!WriteFile(moved.get(), buffer, read, &written, nullptr) || written != read) {
      const DWORD error = GetLastError();
      moved.reset();
      DeleteFileW(path.c_str());
      return error ? error : ERROR_WRITE_FAULT;
    }
  }
  old.reset();
  file_ = std::move(moved);
  DeleteFileW(path_.c_str());
  path_ = path;
  return 0;
}

std::wstring LogFile::FormatLine(const SYSTEMTIME& t, const std::wstring& line) {
  return text::Format(L"%d\\%d\\%d %d:%d:%d %s\r\n", t.wMonth, t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond, line);
}

std::string LogFile::ToAnsi(const std::wstring& line) {
  if (line.empty()) return {};
  std::string out(line.size() * 4, '\0');
  int n = WideCharToMultiByte(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  if (n == 0) {
    DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) {
      // A throwing logger would end the run; keep the ASCII and mark the rest instead.
      std::string fallback;
      for (wchar_t c : line) fallback += c < 0x80 ? static_cast<char>(c) : '?';
      return fallback;
    }
    n = WideCharToMultiByte(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                            nullptr);
    out.assign(static_cast<size_t>(n), '\0');
    n = WideCharToMultiByte(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), out.data(), n, nullptr,
                            nullptr);
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

void LogFile::WriteLine(const std::wstring& line) {
  if (!secrets_) return Emit(line);
  // Known values go first, so that a known value with blanks is never learnt in pieces.
  std::wstring masked = secrets_->Apply(line);
  secrets_->AddArguments(masked);
  Emit(secrets_->Apply(masked));
}

void LogFile::Emit(const std::wstring& line) {
  if (!file_) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::string bytes = ToAnsi(FormatLine(now, line));
  DWORD written = 0;
  WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
