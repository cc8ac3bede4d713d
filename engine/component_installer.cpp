#include "engine/component_installer.h"

#include <windows.h>

#include "engine/process_launcher.h"
#include "platform/file_copy.h"
#include "platform/file_hash.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/program_search.h"
#include "platform/text.h"
#include "platform/win32_folders.h"

namespace {

constexpr wchar_t kAgent[] = L"ZOVuzuravazozav";
constexpr WORD kHttpPort = 80;
constexpr WORD kHttpsPort = 443;
constexpr DWORD kConnectFlags = 0x20400000;  // INTERNET_FLAG_EXISTING_CONNECT | _KEEP_CONNECTION
// INTERNET_FLAG_RELOAD | _NO_CACHE_WRITE | _KEEP_CONNECTION | _HYPERLINK
constexpr DWORD kRequestFlags = 0x84400400;
// TLS with WinINet's certificate checks (no _IGNORE_CERT_* flag is ever given).
constexpr DWORD kSecureFlag = 0x00800000;  // INTERNET_FLAG_SECURE
constexpr DWORD kPieceSize = 1024;
constexpr int kFolderAttempts = 100;
constexpr int kUiLevelNone = 2;         // INSTALLUILEVEL_NONE
constexpr UINT kInstallFailure = 1603;  // ERROR_INSTALL_FAILURE
constexpr size_t kSha256Digits = 64;

bool IsSha256Text(const std::wstring& digest) {
  return digest.size() == kSha256Digits && digest.find_first_not_of(L"0123456789abcdefABCDEF") == std::wstring::npos;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

ComponentInstaller::ComponentInstaller(LogFile& log, platform::Processes& processes)
    : log(log), processes(processes) {}

ComponentInstaller::ComponentInstaller(LogFile& log, platform::Platform& machine, const std::wstring& logFolder)
    : log(log),
      logFolder(logFolder.empty() ? FolderOf(log.Path()) : logFolder),
      processes(machine.processes),
      http_(&machine.http),
      installer_(&machine.installer),
      system_(&machine.system),
      security_(&machine.security) {}

ComponentInstaller::~ComponentInstaller() {
  if (workFolder.empty() || !platform::IsDirectory(workFolder)) return;
  // Quoted: the temporary folder may hold blanks.
  // The system folder's cmd.exe by its full path: never one put beside the setup.
  const std::wstring system = platform::SystemDirectory();
  if (!system.empty()) ShellExecuteAndWait(system + L"\\cmd.exe", L"/d /c rd /s /q \"" + workFolder + L"\"");
}

void ComponentInstaller::WaitAndRecord(platform::ChildProcess& child) {
  DWORD error = 0;
  child.Wait(error);
  DWORD code = 0;
  if (!child.ExitCode(code, error)) return;
  exitCode = code;
  log.Log(L"Operation returned %d", exitCode);
}

void ComponentInstaller::ShellExecuteAndWait(const std::wstring& file, const std::wstring& parameters) {
  log.Log(L"Executing %s %s", file, parameters);
  DWORD error = 0;
  platform::Child child = processes.ShellOpen(file, parameters, hidden, error);
  if (!child) {
    exitCode = error;
    log.Log(L"Operation failed. Error %d", exitCode);
    LogProgramNotFound(log, file, error);
    return;
  }
  WaitAndRecord(*child);
}

void ComponentInstaller::RunWithoutRedirection(const std::wstring& commandLine) {
  // Declared before the child so that redirection comes back only after its handle is closed.
  std::unique_ptr<platform::RedirectionScope> redirection = processes.DisableFsRedirection();
  log.Log(L"Executing %s", commandLine);
  DWORD error = 0;
  platform::Child child = processes.Create(commandLine, hidden ? CREATE_NO_WINDOW : 0, error);
  if (!child) {
    exitCode = error;
    log.Log(L"Operation failed. Error %d", exitCode);
    LogProgramNotFound(log, platform::SplitCommandHead(commandLine).program, error);
    return;
  }
  WaitAndRecord(*child);
}

std::wstring ComponentInstaller::WindowsFolder() const {
  std::wstring folder = platform::EnvironmentValue(L"WINDIR");
  if (folder.empty() && system_) folder = system_->WindowsFolder();
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// A failed step must never leave 0 behind: callers read 0 as success.
void ComponentInstaller::Fail(DWORD error) { exitCode = error != 0 ? error : ERROR_GEN_FAILURE; }

bool ComponentInstaller::EnsureWorkFolder() {
  if (!workFolder.empty()) return true;
  DWORD error = ERROR_NOT_SUPPORTED;  // a launcher-only installer has no system to ask
  std::wstring folder = system_ ? system_->TempFolder(error) : std::wstring();
  if (folder.empty()) {
    Fail(error);
    log.Log(L"GetTempPath failed with error code %d", exitCode);
    return false;
  }
  if (folder.back() != L'\\') folder += L'\\';
  // Only a folder this run made itself is used: one that already stands may hold a file someone
  // else put there under the name about to be run. A left-over "ZEMDownload" gives way to the
  // first free numbered name. Made with the administrators-only access list, so that nobody
  // else can swap the installer between its download and its start (the temporary folder may be
  // the shared Windows one).
  workFolder = folder + L"ZEMDownload";
  for (int n = 1;; ++n) {
    const DWORD error = security_ ? security_->CreateProtectedFolder(workFolder) : ERROR_NOT_SUPPORTED;
    if (error == 0) break;
    if (error != ERROR_ALREADY_EXISTS || n > kFolderAttempts) {
      // Never fall back on a folder someone else made: nothing is fetched.
      Fail(error);
      log.Log(L"Creating %s failed with error code %d", workFolder, exitCode);
      workFolder.clear();
      return false;
    }
    workFolder = text::Format(L"%sZEMDownload.%d", folder, n);
  }
  return true;
}

bool ComponentInstaller::Download(const std::wstring& url, const std::wstring& file, const std::wstring& sha256) {
  if (!UsableDigest(url, sha256)) return false;
  EnsureWorkFolder();
  if (!http_) {
    Fail(ERROR_NOT_SUPPORTED);
    log.Log(L"InternetOpen failed with error code %d", exitCode);
    return false;
  }
  DWORD error = 0;
  std::unique_ptr<platform::HttpTransfer> transfer = http_->OpenSession(kAgent, error);
  if (!transfer) {
    Fail(error);
    log.Log(L"InternetOpen failed with error code %d", exitCode);
    return false;
  }
  std::wstring host, path;
  if ((error = http_->CrackUrl(url, host, path)) != 0) {
    Fail(error);
    log.Log(L"InternetCrackUrl %s failed with error code %d", url, exitCode);
    return false;
  }
  // An https:// link is fetched over TLS; fetching it as plain HTTP would let anyone on the way
  // hand over another installer.
  const bool secure = text::StartsWithNoCase(url, L"https://");
  if ((error = transfer->Connect(host, secure ? kHttpsPort : kHttpPort, kConnectFlags)) != 0) {
    Fail(error);
    log.Log(L"InternetConnect %s failed with error code %d", host, exitCode);
    return false;
  }
  if ((error = transfer->OpenRequest(path, kRequestFlags | (secure ? kSecureFlag : 0))) != 0) {
    Fail(error);
    log.Log(L"HttpOpenRequest %s failed with error code %d", path, exitCode);
    return false;
  }
  if ((error = transfer->Send()) != 0) {
    Fail(error);
    log.Log(L"HttpSendRequest %s failed with error code %d. Trying again.", path, exitCode);
    if ((error = transfer->Send()) != 0) {
      Fail(error);
      log.Log(L"HttpSendRequest %s failed with error code %d.", path, exitCode);
      return false;
    }
  }
  DWORD status = 0;
  if ((error = transfer->QueryStatusCode(status)) != 0) {
    Fail(error);
    log.Log(L"HttpQueryInfo returned status code %d", exitCode);
    return false;
  }
  // WinINet follows redirects itself; a redirect that reaches here was not followed, and its
  // body is a web page, never the installer.
  if (status != 200) {
    Fail(status);
    log.Log(L"HttpSendRequest returned status code %d", exitCode);
    errorText.clear();
    if ((error = transfer->QueryStatusText(errorText)) != 0) {
      errorText.clear();
      log.Log(L"HttpQueryInfo failed with error code: %d", error);
    }
    return false;
  }
  unsigned long long announced = 0;
  const bool lengthKnown = transfer->QueryContentLength(announced) == 0;
  if (!SaveBody(*transfer, file, lengthKnown ? &announced : nullptr)) return false;
  transfer.reset();
  if (!sha256.empty() && !Verify(file, sha256)) return false;
  exitCode = 0;
  return true;
}

// A digest that cannot be one is a mistake in the variables list: the file it was meant to vouch
// for is not fetched at all rather than run unchecked.
bool ComponentInstaller::UsableDigest(const std::wstring& url, const std::wstring& sha256) {
  if (sha256.empty() || IsSha256Text(sha256)) return true;
  Fail(ERROR_BAD_CONFIGURATION);
  log.Log(L"The SHA-256 given for %s is not 64 hexadecimal digits; nothing was downloaded", url);
  return false;
}

bool ComponentInstaller::Verify(const std::wstring& file, const std::wstring& sha256, const wchar_t* what) {
  DWORD error = 0;
  const std::wstring actual = platform::FileSha256(file, error);
  if (actual.empty()) {
    Fail(error);
    log.Log(L"Computing the SHA-256 of %s failed with error code %d", file, exitCode);
  } else if (_wcsicmp(actual.c_str(), sha256.c_str()) != 0) {
    Fail(ERROR_INVALID_DATA);
    log.Log(L"The SHA-256 of %s is %s, not %s as given: %s is refused", file, actual, sha256, what);
  } else {
    return true;
  }
  DeleteDownload(file, L"refused");
  return false;
}

bool ComponentInstaller::SaveBody(platform::HttpTransfer& transfer, const std::wstring& file,
                                  const unsigned long long* announced) {
  platform::UniqueHandle out(
      CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    Fail(GetLastError());
    log.Log(L"Opening %s failed with error code %d", file, exitCode);
    return false;
  }
  const auto refuse = [&](DWORD error, const std::wstring& why) {
    Fail(error);
    log.WriteLine(why);
    out.reset();
    DeleteDownload(file, L"refused");
    return false;
  };
  if (announced && *announced > maxDownloadBytes)
    return refuse(ERROR_FILE_TOO_LARGE, text::Format(L"The download announces %u bytes, more than the %u allowed",
                                                     *announced, maxDownloadBytes));
  const uint64_t started = now();
  char piece[kPieceSize];
  unsigned long long total = 0;
  for (;;) {
    if (now() - started > downloadDeadlineMs)
      return refuse(ERROR_TIMEOUT, text::Format(L"The download did not finish within %u seconds; %u bytes had come",
                                                downloadDeadlineMs / 1000, total));
    DWORD got = 0;
    DWORD error = transfer.Read(piece, kPieceSize, got);
    if (error != 0) {
      Fail(error);
      log.Log(L"InternetReadFile failed with error code %d", exitCode);
      out.reset();
      DeleteDownload(file, L"incomplete");
      return false;
    }
    if (got == 0) break;
    total += got;
    if (total > (announced ? *announced : maxDownloadBytes))
      return refuse(ERROR_FILE_TOO_LARGE, announced ? text::Format(L"The download sent more than the %u bytes it announced", *announced)
                                                    : text::Format(L"The download sent more than the %u bytes allowed", maxDownloadBytes));
    DWORD written = 0;
    if (!WriteFile(out.get(), piece, got, &written, nullptr) || written != got) {
      Fail(GetLastError());
      log.Log(L"Writing %s failed with error code %d", file, exitCode);
      out.reset();
      DeleteDownload(file, L"incomplete");
      return false;
    }
  }
  // A connection cut short ends the body early without an error: half an installer.
  if (announced && total < *announced) {
    Fail(ERROR_HANDLE_EOF);
    log.Log(L"The download ended after %u of %u bytes", total, *announced);
    out.reset();
    DeleteDownload(file, L"incomplete");
    return false;
  }
  if (!FlushFileBuffers(out.get())) {
    Fail(GetLastError());
    log.Log(L"Writing %s failed with error code %d", file, exitCode);
    out.reset();
    DeleteDownload(file, L"incomplete");
    return false;
  }
  return true;
}

// Half a vendor installer must never be run by a later step.
void ComponentInstaller::DeleteDownload(const std::wstring& file, const wchar_t* kind) {
  if (DeleteFileW(file.c_str()))
    log.Log(L"Deleted %s download %s", kind, file);
  else
    log.Log(L"Deleting %s download %s failed with error code %d", kind, file, GetLastError());
}

std::wstring ComponentInstaller::Fetch(const std::wstring& url, const std::wstring& name, const std::wstring& sha256) {
  if (!EnsureWorkFolder()) return {};
  const std::wstring file = workFolder + L"\\" + name;
  const std::wstring local = localCopies ? localCopies->LocalCopy(url) : std::wstring();
  if (local.empty()) {
    log.Log(L"Downloading %s to %s", url, file);
    if (!Download(url, file, sha256)) return {};
    log.WriteLine(L"Download successful");
    return file;
  }
  // Copied into the work folder first and checked there: the layout may lie where others can
  // change it, and the file checked must be the one run.
  log.Log(L"Using the local copy %s of %s", local, url);
  if (!UsableDigest(url, sha256)) return {};
  if (const DWORD error = platform::CopyAsNewFile(local, file)) {
    Fail(error);
    log.Log(L"Copying %s to %s failed with error code %d", local, file, exitCode);
    return {};
  }
  if (!sha256.empty() && !Verify(file, sha256, L"the local copy")) return {};
  exitCode = 0;
  return file;
}

void ComponentInstaller::DownloadAndRun(const std::wstring& url, const std::wstring& name,
                                        const std::wstring& parameters, const std::wstring& sha256) {
  const std::wstring file = Fetch(url, name, sha256);
  if (file.empty()) return;
  ShellExecuteAndWait(file, parameters);
  DeleteFileW(file.c_str());
}

UINT ComponentInstaller::DownloadAndInstallMsi(const std::wstring& url, const std::wstring& name,
                                               const std::wstring& commandLine, const std::wstring& sha256) {
  const std::wstring file = Fetch(url, name, sha256);
  if (file.empty() || !installer_) return kInstallFailure;
  log.Log(L"Installing %s", file);
  const bool quiet = hidden;
  const int previous = quiet ? installer_->SetInternalUI(kUiLevelNone) : 0;
  const std::wstring logPath = text::Format(L"%s\\%s.log", logFolder, name);
  installer_->EnableLog(platform::kVerboseLogMode, logPath, 0);
  UINT result = installer_->InstallProduct(file, commandLine);
  // The installer's verbose log may hold what the setup was given in secret, as the packages' do.
  log.MaskFile(logPath);
  log.Log(L"Installation returned %d. Log file is %s", result, logPath);
  if (quiet) installer_->SetInternalUI(previous);
  DeleteFileW(file.c_str());
  return result;
}
