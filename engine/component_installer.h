// The common base of the downloader and the platform component installers: how they fetch a
// vendor's installer into a private folder, run what they fetched or find, and where the outcome
// lands.
#pragma once

#include <cstdint>
#include <string>

#include "core/log_file.h"
#include "engine/vendor_links.h"
#include "platform/platform.h"
#include "platform/processes.h"

class ComponentInstaller {
 public:
  // Runs programs only: with nothing to fetch them with and no temporary folder, downloads fail.
  ComponentInstaller(LogFile& log, platform::Processes& processes);
  // logFolder is the setup log's folder (the per-package logs go there); empty takes the folder
  // of the log file's path.
  ComponentInstaller(LogFile& log, platform::Platform& machine, const std::wstring& logFolder = {});
  ComponentInstaller(const ComponentInstaller&) = delete;
  ComponentInstaller& operator=(const ComponentInstaller&) = delete;
  // Removes the download folder with everything in it.
  virtual ~ComponentInstaller();

  // Shell "open" of the file with its parameters, waited for; `exitCode` gets the child's exit
  // code, or the error when it cannot be started.
  void ShellExecuteAndWait(const std::wstring& file, const std::wstring& parameters);
  // Runs the command line with the 64-bit system folder visible to this 32-bit program, waited
  // for; `exitCode` as above.
  void RunWithoutRedirection(const std::wstring& commandLine);

  // Fetches the URL (http:// on port 80, https:// over TLS on 443) into the file; true when the
  // whole body is in it and, when `sha256` is given, its SHA-256 is that one (any letter case).
  // On failure `exitCode` holds the error or the HTTP status and no file is left behind.
  bool Download(const std::wstring& url, const std::wstring& file, const std::wstring& sha256 = {});
  // Brings the file at `url` into the work folder as `name`: the local copy `localCopies` has of
  // it, else downloaded; checked against `sha256` when one is given, either way. The file's path;
  // empty on failure (logged, `exitCode` set, no file left).
  std::wstring Fetch(const std::wstring& url, const std::wstring& name, const std::wstring& sha256 = {});
  // Fetches `name` into the work folder, runs it with the parameters and deletes it.
  void DownloadAndRun(const std::wstring& url, const std::wstring& name, const std::wstring& parameters,
                      const std::wstring& sha256 = {});
  // Fetches `name` and installs it with Windows Installer, logging verbosely into the log
  // folder; the installer's result, or 1603 when the download failed.
  UINT DownloadAndInstallMsi(const std::wstring& url, const std::wstring& name, const std::wstring& commandLine,
                             const std::wstring& sha256 = {});

  bool hidden = true;       // children and Windows Installer run without user interface
  std::wstring workFolder;  // the download folder; empty until the first download
  LogFile& log;
  uint32_t exitCode = 0;
  std::wstring errorText;  // readable failure text, such as the HTTP status text
  std::wstring logFolder;
  platform::Processes& processes;
  // The links whose local copies (an offline layout's) are used instead of downloading; none:
  // every file is downloaded.
  const VendorLinks* localCopies = nullptr;
  // Bounds on one download, so a server that sends without end, or a byte at a time, cannot fill
  // the disk or hold a silent run: no vendor installer fetched here comes near a gigabyte, and on
  // any working line each finishes well within half an hour. `now` gives milliseconds.
  uint64_t maxDownloadBytes = 1ull << 30;
  uint64_t downloadDeadlineMs = 30ull * 60 * 1000;
  uint64_t (*now)() = [] { return static_cast<uint64_t>(GetTickCount64()); };

 protected:
  // The Windows folder (WINDIR, else the system's answer) without a trailing backslash.
  std::wstring WindowsFolder() const;
  // Builds the download folder under the user's temporary folder, new and writable only by
  // administrators; false (logged, `exitCode` set) when there is no temporary folder or no new
  // folder could be made.
  bool EnsureWorkFolder();

 private:
  void WaitAndRecord(platform::ChildProcess& child);
  void Fail(DWORD error);
  // announced: the body's length as the answer gave it; null when it gave none.
  bool SaveBody(platform::HttpTransfer& transfer, const std::wstring& file, const unsigned long long* announced);
  void DeleteDownload(const std::wstring& file, const wchar_t* kind);  // kind: "incomplete", "refused"
  // False (logged, `exitCode` set) when a SHA-256 is given that is not 64 hexadecimal digits.
  bool UsableDigest(const std::wstring& url, const std::wstring& sha256);
  // True when the saved file's SHA-256 is the one given; otherwise the file is deleted. `what`
  // names the refused file in the log: "the download", "the local copy".
  bool Verify(const std::wstring& file, const std::wstring& sha256, const wchar_t* what = L"the download");

  platform::Http* http_ = nullptr;
  platform::WindowsInstaller* installer_ = nullptr;
  platform::SystemQueries* system_ = nullptr;
  platform::Security* security_ = nullptr;
};
