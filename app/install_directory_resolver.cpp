#include "app/install_directory_resolver.h"

#include <windows.h>

#include "core/local_folder.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text.h"

InstallDirectoryResolver::InstallDirectoryResolver(platform::Platform& machine, std::wstring qvDirectory,
                                                   std::wstring rootDirectory, PlatformKind kind)
    : machine_(machine), qvDirectory_(std::move(qvDirectory)), rootDirectory_(std::move(rootDirectory)), kind_(kind) {}

bool InstallDirectoryResolver::Resolve(const std::wstring& productCode, std::wstring& out) const {
  std::wstring location;
  if (!machine_.installer.GetProductInfo(productCode, L"InstallLocation", location) || location.empty()) return false;
  out = Normalize(location);
  return true;
}

bool InstallDirectoryResolver::SharedClient(std::wstring& out) const {
  if (kind_ == PlatformKind::Foundation) return false;
  LONG error = 0;
  auto value = machine_.registry.Read(platform::Hive::LocalMachine, L"SOFTWARE\\ZEM_CommonClient_ASP", L"InstallDir",
                                      platform::View::Bit32, error);
  if (!value || value->text.empty()) return false;
  std::wstring folder = value->text.substr(0, MAX_PATH - 1);
  out = Normalize(folder);
  return true;
}

std::wstring InstallDirectoryResolver::Normalize(std::wstring path) const {
  if (!rootDirectory_.empty()) {
    size_t at = path.rfind(L"\\" + rootDirectory_ + L"\\");
    if (at != std::wstring::npos) path.resize(at);
  }
  if (!qvDirectory_.empty()) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += qvDirectory_;
  }
  return path;
}

std::wstring InstallDirectoryResolver::Default() const {
  std::wstring programFiles = machine_.system.ProgramFilesFolder();
  return programFiles.empty() ? L"C:\\" + qvDirectory_ + L"\\" : programFiles + L"\\" + qvDirectory_;
}

bool InstallDirectoryResolver::Validate(const std::wstring& input, bool x64Processor) const {
  std::wstring path = text::Trim(input);
  if (!IsLocalFixedFolder(path, machine_.system)) return false;

  std::wstring base = path;
  if (!qvDirectory_.empty()) {
    size_t at = text::ToLower(path).rfind(text::ToLower(qvDirectory_));
    if (at != std::wstring::npos && at != 0) base = path.substr(0, at);
  }
  base = text::Trim(base);
  if (!platform::IsDirectory(base)) return false;

  if (!machine_.system.CanCreateSubfolder(base)) return false;

  std::wstring profile = platform::EnvironmentValue(L"USERPROFILE");
  size_t slash = profile.rfind(L'\\');
  if (slash != std::wstring::npos && text::StartsWithNoCase(base, profile.substr(0, slash + 1))) return false;

  if (x64Processor) {
    std::wstring programFiles = machine_.system.ProgramFilesFolder();
    size_t keep = programFiles.find_last_not_of(L" (x86)");
    programFiles = keep == std::wstring::npos ? std::wstring() : programFiles.substr(0, keep + 1);
    if (!programFiles.empty() && text::StartsWithNoCase(base, programFiles + L"\\")) return false;
  }
  return true;
}
