#include "engine/finalize_actions.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>
#include <string>
#include <vector>

#include "checks/msi_probes.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/conditions.h"
#include "definition/product.h"
#include "definition/xml_readers.h"
#include "engine/link_safe_delete.h"
#include "engine/process_launcher.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "platform/win32_folders.h"

namespace {

// Runs whose setup ships the progress program beside the product.
constexpr const wchar_t* kProgressRuns[] = {L"DEVadirez", L"DownloadManager", L"DEVadirezClient", L"VURovizo"};

// Programs that must run on the interactive user's desktop, not in session 0.
constexpr const wchar_t* kUserSessionPrograms[] = {
    L"registryentry.exe", L"zem.vrx.hvdeploy.client.dlmlauncherutility.exe",
    L"zem.vrx.hvdeploy.client.launcherutility.exe", L"zem.vrx.hvdeploy.client.clientagent.exe"};

constexpr wchar_t kPingLine[] = L"PING 127.0.0.1 -n 10\n";

std::wstring WithBackslash(const std::wstring& folder) {
  if (folder.empty() || folder.back() == L'\\') return folder;
  return folder + L"\\";
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// "X:\..." or "\\server\share\...": anything else depends on the current drive or folder.
bool IsAbsolutePath(const std::wstring& path) {
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSlash(path[2])) return true;
  return path.size() > 2 && IsSlash(path[0]) && IsSlash(path[1]) && !IsSlash(path[2]);
}

bool FullPath(const std::wstring& path, std::wstring& full) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  full.assign(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (n == 0 || n >= full.size()) return false;
  full.resize(n);
  return true;
}

// Characters that no file name holds and that would change what a batch line does.
bool HasUnsafeCharacter(const std::wstring& path) {
  for (wchar_t c : path)
    if (c < 0x20 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?') return true;
  return false;
}

// A batch file expands %NAME% even inside quotes.
std::wstring EscapePercent(const std::wstring& path) {
  std::wstring out;
  for (wchar_t c : path) {
    out += c;
    if (c == L'%') out += L'%';
  }
  return out;
}

// cmd reads a batch file in the console (OEM) code page. A line that does not convert exactly
// is refused: a replacement '?' would turn a DEL into a wildcard.
bool ToBatchBytes(const std::wstring& line, std::string& bytes) {
  std::wstring crlf;
  for (wchar_t c : line) {
    if (c == L'\n') crlf += L'\r';
    crlf += c;
  }
  if (crlf.empty()) return true;
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, crlf.data(), static_cast<int>(crlf.size()), nullptr, 0,
                              nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, crlf.data(), static_cast<int>(crlf.size()), out.data(), n,
                      nullptr, &lossy);
  if (lossy) return false;
  bytes += out;
  return true;
}

// Definition values may carry the user's password or the setup's command line.
std::wstring MaskSecrets(const std::wstring& text, const PropertyMap& properties) {
  return properties.Secrets().Apply(text);
}

// After the word "xcopy", the first two quoted texts: source pattern and destination folder.
bool XcopyOperands(const std::wstring& arguments, std::wstring& source, std::wstring& destination) {
  size_t pos = 0;
  bool found = false;
  while (pos < arguments.size() && !found) {
    while (pos < arguments.size() && arguments[pos] == L' ') ++pos;
    size_t end = arguments.find(L' ', pos);
    if (end == std::wstring::npos) end = arguments.size();
    found = text::EqualsNoCase(arguments.substr(pos, end - pos), L"xcopy");
    pos = end;
  }
  if (!found) return false;
  std::wstring* operands[] = {&source, &destination};
  for (std::wstring* operand : operands) {
    size_t open = arguments.find(L'"', pos);
    if (open == std::wstring::npos) return false;
    size_t close = arguments.find(L'"', open + 1);
    if (close == std::wstring::npos) return false;
    *operand = arguments.substr(open + 1, close - open - 1);
    pos = close + 1;
  }
  return true;
}

}  // namespace

FinalizeActions::FinalizeActions(const EngineContext& context, Product& product)
    : context_(context), product_(product), log_(context.log) {}

bool FinalizeActions::CopyOneFile(const std::wstring& source, const std::wstring& destination) {
  if (CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
    log_.Log(L"Copying %s to %s succeeded.", source, destination);
    return true;
  }
  DWORD error = GetLastError();
  log_.Log(L"Copying %s to %s failed with error code %d", source, destination, error);
  return false;
}

std::optional<std::wstring> FinalizeActions::InstalledFolder() const {
  if (!MsiProductInstalled(log_, context_.installer, product_.GUID, L"")) return std::nullopt;
  std::optional<std::wstring> folder = MsiInstallLocation(context_.installer, product_.GUID);
  // An empty location would turn every target into a path relative to the current drive.
  if (!folder || folder->empty()) {
    log_.Log(L"The install folder of %s cannot be read.", product_.GUID);
    return std::nullopt;
  }
  return WithBackslash(*folder);
}

void FinalizeActions::CopySetupFiles() {
  if (product_.WorkingDirectory.empty()) {
    log_.Log(L"No working folder known for %s; setup files not copied.", product_.ShortName);
    return;
  }
  std::optional<std::wstring> target = InstalledFolder();
  if (!target) return;
  const std::wstring source = WithBackslash(product_.WorkingDirectory);

  std::vector<std::wstring> names = {L"setup.exe",
                                     context_.variablesListFileName,
                                     product_.ShortName + L".xml",
                                     product_.ShortName + L"resources.dll",
                                     L"setup_en-us.dll",
                                     L"setup_en-ca.dll",
                                     L"setup_fr-ca.dll"};
  for (const wchar_t* run : kProgressRuns)
    if (text::EqualsNoCase(context_.shortName, run)) names.push_back(L"progress.exe");

  for (const auto& name : names)
    if (!name.empty()) CopyOneFile(source + name, *target + name);
}

void FinalizeActions::CopyProxyOverride() {
  if (context_.modeFlags == mode::Uninstall || product_.WorkingDirectory.empty()) return;
  const std::wstring source = WithBackslash(product_.WorkingDirectory) + L"ProxyOverride.xml";
  if (!platform::FileExists(source)) return;
  std::optional<std::wstring> folder = InstalledFolder();
  if (!folder) return;
  // An existing configuration is the administrator's: never overwritten.
  const std::wstring target = *folder + L"ProxyOverride.config";
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  CopyOneFile(source, target);
}

void FinalizeActions::RunFinalizeGroups() {
  if (context_.modeFlags & mode::Uninstall) product_.FreeResourceLibrary();
  CopyFiles();
  DeleteFiles();
  ExecuteCommands();
}

bool FinalizeActions::SelectProduct(XmlNode& element) const {
  // The catalog holds the definition's Product elements in document order: the first one with
  // this short name is the element the query would find, without walking the whole document
  // once per product (which makes a large definition quadratic).
  for (const auto& other : context_.products)
    if (other->ShortName == product_.ShortName && other->Element()) {
      element = other->Element();
      return true;
    }
  std::wstring query = QueryWithValue(L"//Product[@ShortName=%s]", product_.ShortName, log_);
  XmlQuery found = query.empty() ? XmlQuery::NoMatch : context_.document.SelectSingle(query, element);
  if (found == XmlQuery::Found) return true;
  if (query.empty()) query = text::Format(L"//Product[@ShortName=\"%s\"]", product_.ShortName);
  HRESULT status = found == XmlQuery::NoMatch ? S_FALSE : E_FAIL;
  log_.Log(L"%s not found in %s. Error %#X", query, context_.definitionFileName, status);
  return false;
}

void FinalizeActions::CopyFiles() {
  XmlNode productElement;
  if (!SelectProduct(productElement)) return;
  std::vector<XmlNode> copies;
  if (productElement.SelectAll(L"Finalize/CopyFileGroup/CopyFile", copies) != XmlQuery::Found) return;
  for (const XmlNode& copy : copies) {
    if (!Conditions(copy, ConditionKind::Install, context_.Values()).Evaluate()) continue;
    ElementTextReader reader(copy, context_.Values());
    std::wstring source, destination;
    reader.GetText(L"Source", source);
    reader.GetText(L"Destination", destination);
    if (source.empty() || destination.empty()) continue;
    CopyOneFile(source, destination);
  }
}

std::wstring FinalizeActions::BatchFilePath() const {
  std::wstring name = context_.products.size() == 1 ? std::wstring(L"cleanup.bat")
                                                    : text::Format(L"cleanup_%s.bat", product_.ShortName);
  return WithBackslash(context_.logFolder) + name;
}

std::optional<std::wstring> FinalizeActions::DeletablePath(const std::wstring& location) const {
  const std::wstring path = text::Trim(location);
  if (path.empty() || HasUnsafeCharacter(path) || !IsAbsolutePath(path)) return std::nullopt;
  // Device and literal ("\\?\") paths skip the resolution of "." and "..".
  if (text::StartsWithNoCase(path, L"\\\\?\\") || text::StartsWithNoCase(path, L"\\\\.\\")) return std::nullopt;

  std::wstring full;
  if (!FullPath(path, full) || !IsAbsolutePath(full)) return std::nullopt;
  if (text::Contains(full + L"\\", L"\\..\\") || text::Contains(full + L"\\", L"\\.\\")) return std::nullopt;

  std::wstring bare = full;
  while (bare.size() > 3 && bare.back() == L'\\') bare.pop_back();
  if (PathIsRootW(bare.c_str()) || PathIsRootW(full.c_str())) return std::nullopt;

  bool deletable = text::ContainsNoCase(full, L"\\QV\\");
  std::wstring logFolder;
  if (!deletable && !context_.logFolder.empty() && FullPath(context_.logFolder, logFolder)) {
    while (!logFolder.empty() && logFolder.back() == L'\\') logFolder.pop_back();
    const std::wstring prefix = logFolder + L"\\";
    // Strictly inside: the folder itself holds the batch that is doing the deleting.
    deletable = !logFolder.empty() && bare.size() > prefix.size() && text::StartsWithNoCase(bare, prefix);
  }
  if (!deletable) return std::nullopt;
  return bare;
}

void FinalizeActions::DeleteFiles() {
  XmlNode productElement;
  if (!SelectProduct(productElement)) return;
  std::vector<XmlNode> entries;
  if (productElement.SelectAll(L"Finalize/DeleteFileGroup/DeleteFile", entries) != XmlQuery::Found) return;
  if (context_.logFolder.empty()) {
    log_.WriteLine(L"No log folder known; the clean-up batch is not written.");
    return;
  }

  const std::wstring batch = BatchFilePath();
  // A new file, never an old one reused: an old one keeps whatever access list it was given.
  platform::UniqueHandle file = platform::CreateNewFile(batch, GENERIC_WRITE, 0);
  if (!file) {
    DWORD error = GetLastError();
    log_.Log(L"Creating %s failed with error code %d", batch, error);
    return;
  }

  std::string bytes;
  ToBatchBytes(kPingLine, bytes);
  bool needed = false;
  for (const XmlNode& entry : entries) {
    if (!Conditions(entry, ConditionKind::Uninstall, context_.Values()).Evaluate()) continue;
    std::wstring location;
    ElementTextReader(entry, context_.Values()).GetText(L"Location", location);
    if (location.empty()) continue;
    std::optional<std::wstring> path = DeletablePath(location);
    if (!path) {
      log_.Log(L"%s is not a location the clean-up may remove.", location);
      continue;
    }
    // cmd.exe cannot check the way to a path just before deleting it, so everything that can go
    // goes now, in this process, never through a link; the batch only gets what is in use.
    if (link_safe::LinkOnTheWay(*path)) {
      log_.Log(L"%s lies behind a link; it is not removed.", *path);
      continue;
    }
    DWORD deleteError = link_safe::Delete(*path);
    if (deleteError != 0 && !link_safe::InUse(deleteError))
      log_.Log(L"Deleting %s failed with error code %d", *path, static_cast<int>(deleteError));
    std::wstring line;
    if (deleteError != 0 && link_safe::InUse(deleteError)) {
      if (platform::IsDirectory(*path))
        line = text::Format(L"RMDIR /S /Q \"%s\"\n", EscapePercent(*path));
      else if (platform::FileExists(*path))
        line = text::Format(L"DEL /Q \"%s\"\n", EscapePercent(*path));
    }
    if (!ToBatchBytes(line, bytes)) {
      log_.Log(L"%s cannot be written into %s.", *path, batch);
      continue;
    }
    needed = true;
  }

  DWORD written = 0;
  bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  DWORD writeError = ok ? 0 : GetLastError();
  file.reset();
  if (!ok) {
    // A half-written batch must not run.
    log_.Log(L"Writing %s failed with error code %d", batch, writeError);
    DeleteFileW(batch.c_str());
    return;
  }
  if (!needed) {
    DeleteFileW(batch.c_str());
    return;
  }
  if (!log_.FolderSafeAfterRun()) {
    // cmd.exe reads a batch line by line by its path: once this process has let the folder go,
    // another user could rename it away through its parent and put his own batch there.
    log_.Log(L"%s is not started: other users could replace it once the setup ends; what is in use is left.", batch);
    DeleteFileW(batch.c_str());
    return;
  }
  if (!context_.processes) {
    log_.Log(L"No process launcher; %s not started.", batch);
    return;
  }
  // Not waited for: it pauses, then removes files of this very run. It runs in the system folder:
  // cmd.exe looks for PING in its current folder first, which may be the distribution folder.
  DWORD error = 0;
  platform::Child child = context_.processes->ShellOpen(batch, L"", true, error, platform::SystemDirectory());
  if (!child) log_.Log(L"ShellExecuteEx failed with error code: %d", error);
}

void FinalizeActions::ExecuteCommands() {
  XmlNode productElement;
  if (!SelectProduct(productElement)) return;
  XmlNode group;
  if (productElement.SelectSingle(L"Finalize/ExecuteCommandGroup", group) != XmlQuery::Found) return;
  ForEachNumberedChild(group, L"ExecuteCommand[Order=\"%d\"]", [this](int, const XmlNode& command) {
    ExecuteCommand(command);
    return true;
  });
}

void FinalizeActions::ExecuteCommand(const XmlNode& node) {
  if (!Conditions(node, ConditionKind::Execute, context_.Values()).Evaluate()) return;
  ElementTextReader reader(node, context_.Values());
  std::wstring command, arguments, waitText;
  reader.GetText(L"Command", command);
  reader.GetText(L"Arguments", arguments);
  reader.GetText(L"WaitForCompletion", waitText);
  const bool wait = !waitText.empty() && !text::EqualsNoCase(waitText, L"False");

  if (!context_.processes) {
    log_.Log(L"No process launcher; %s not started.", MaskSecrets(command, context_.properties));
    return;
  }
  if (context_.systemAccount) {
    const std::wstring lower = text::ToLower(arguments);
    for (const wchar_t* program : kUserSessionPrograms) {
      if (!text::Contains(lower, program)) continue;
      RunAsLoggedOnUser(*context_.processes, log_, context_.properties, wait, nullptr, nullptr, arguments);
      return;
    }
  }
  // The shell would open the current folder for an empty file name.
  if (command.empty()) {
    log_.WriteLine(L"ExecuteCommand without a Command; nothing started.");
    return;
  }

  DWORD error = 0;
  platform::Child child = context_.processes->ShellOpen(command, arguments, true, error);
  if (!child) {
    log_.Log(L"ShellExecuteEx failed with error code: %d", error);
    LogProgramNotFound(log_, command, error);
    return;
  }
  log_.Log(L"Executing %s %s", MaskSecrets(command, context_.properties), MaskSecrets(arguments, context_.properties));
  if (!wait) return;
  if (!child->Wait(error)) {
    log_.Log(L"WaitForSingleObject failed with error code %d", error);
    return;
  }
  DWORD exitCode = 0;
  if (!child->ExitCode(exitCode, error)) {
    log_.Log(L"GetExitCodeProcess failed with error code %d", error);
    return;
  }
  log_.Log(L"Process returned %d", exitCode);
  if (exitCode == 1 && text::Contains(arguments, L"xcopy")) CopyLikeXcopy(arguments);
}

void FinalizeActions::CopyLikeXcopy(const std::wstring& arguments) {
  std::wstring pattern, destination;
  if (!XcopyOperands(arguments, pattern, destination)) return;
  // The files are taken from the folder part of the pattern, whatever wildcard ends it.
  size_t slash = pattern.find_last_of(L"\\/");
  if (slash == std::wstring::npos || destination.empty()) return;
  const std::wstring sourceFolder = pattern.substr(0, slash + 1);
  const std::wstring targetFolder = WithBackslash(destination);

  WIN32_FIND_DATAW found;
  platform::FindHandle search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    CopyOneFile(sourceFolder + found.cFileName, targetFolder + found.cFileName);
  } while (FindNextFileW(search.get(), &found));
}
