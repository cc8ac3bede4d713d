#include "engine/install_source_info.h"

#include <windows.h>

#include "core/log_file.h"
#include "core/protected_folder.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/text.h"

InstallSourceInfo::InstallSourceInfo(const ReadContext& values, std::wstring path, platform::Security* security)
    : log_(values.log), values_(values), path_(std::move(path)), security_(security) {
  com_.emplace();
}

InstallSourceInfo::~InstallSourceInfo() { Close(); }

namespace {

class MachineInstallSources final : public InstallSourceRecord {
 public:
  MachineInstallSources(const ReadContext& values, std::wstring path, platform::Security& security,
                        platform::WindowsInstaller& installer)
      : record_(values, std::move(path), &security), installer_(installer) {
    record_.Open();
  }
  void RestoreSource(const std::wstring& productName, const std::wstring& productCode) override {
    std::wstring reported;
    if (!installer_.GetProductInfo(productCode, L"LocalPackage", reported)) reported.clear();
    record_.RestoreInstallSource(productName, reported);
  }
  void DropEntry(const std::wstring& productName) override { record_.DeleteEntry(productName); }

 private:
  InstallSourceInfo record_;
  platform::WindowsInstaller& installer_;
};

}  // namespace

std::unique_ptr<InstallSourceRecord> OpenMachineInstallSources(const ReadContext& values, platform::SystemQueries& system,
                                                               platform::Security& security,
                                                               platform::WindowsInstaller& installer) {
  std::wstring path = InstallSourceInfo::RecordPath(system);
  if (path.empty()) return nullptr;
  return std::make_unique<MachineInstallSources>(values, std::move(path), security, installer);
}

std::wstring InstallSourceInfo::RecordPath(platform::SystemQueries& system) {
  std::wstring path = system.CommonAppDataFolder();
  if (path.empty()) return {};
  if (path.back() != L'\\') path += L'\\';
  return path + L"QV\\InstallSourceInfo\\InstallSourceInfo.xml";
}

void InstallSourceInfo::Open() {
  HRESULT status = S_OK;
  if (!document_.Create(status)) return;
  if (!platform::FileExists(path_)) {
    log_.Log(L"%s not found.", path_);
    return;
  }
  if (security_) {
    // A record another user could rewrite or swap between reading and saving is not used; nor one
    // whose folder another user could rename away between runs through its parent.
    const std::wstring folder = path_.substr(0, path_.find_last_of(L'\\'));
    std::vector<std::wstring> notes;
    const bool parentSafe =
        MakeSharedFolder(*security_, folder.substr(0, folder.find_last_of(L'\\')), notes) == SharedFolder::Guarded;
    // The record is found by its name: a folder standing in for it would be a different record.
    ProtectedFolder made = parentSafe ? MakeProtectedFolder(*security_, folder, InPlaceOf::Nothing) : ProtectedFolder();
    notes.insert(notes.end(), made.notes.begin(), made.notes.end());
    for (const std::wstring& note : notes) log_.WriteLine(note);
    if (!made.usable) return;
  }
  HRESULT loadStatus = S_OK;
  loaded_ = document_.Load(path_, &loadStatus);
  if (!loaded_) log_.Log(L"Loading %s failed with error code %d", path_, static_cast<int>(FAILED(loadStatus) ? loadStatus : S_FALSE));
}

// The name is quoted as an XPath literal: a name holding a quote must not widen the selection
// to other products' entries.
std::wstring InstallSourceInfo::Query(const std::wstring& productName) const {
  if (productName.find(L'\'') == std::wstring::npos)
    return text::Format(L"//ProductMetaData[ProductName='%s']", productName);
  return QueryWithValue(L"//ProductMetaData[ProductName=%s]", productName, log_);
}

void InstallSourceInfo::CreateFolders(const std::wstring& filePath) {
  for (size_t at = filePath.find(L'\\', 1); at != std::wstring::npos; at = filePath.find(L'\\', at + 1)) {
    std::wstring folder = filePath.substr(0, at);
    if (platform::IsDirectory(folder) || (folder.size() == 2 && folder[1] == L':')) continue;
    if (CreateDirectoryW(folder.c_str(), nullptr))
      log_.Log(L"%s created.", folder);
    else
      log_.Log(L"%s not created. Error code %d.", folder, static_cast<int>(GetLastError()));
  }
}

namespace {

// Inside the Windows folder (System32 and SysWOW64 included), or not a plain full path at all.
bool InWindowsFolder(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return true;
  wchar_t full[MAX_PATH] = {};
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return true;
  wchar_t windows[MAX_PATH] = {};
  UINT w = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (w == 0 || w >= MAX_PATH) return true;
  std::wstring folder(windows, w);
  if (folder.back() != L'\\') folder += L'\\';
  return text::StartsWithNoCase(std::wstring(full, n), folder);
}

}  // namespace

void InstallSourceInfo::RestoreInstallSource(const std::wstring& productName, const std::wstring& reportedPackage) {
  if (!loaded_) return;
  std::wstring query = Query(productName);
  XmlNode entry;
  if (query.empty() || document_.SelectSingle(query, entry) != XmlQuery::Found) return;
  ElementTextReader texts(entry, values_);
  std::wstring localPackage, installSource;
  texts.GetText(L"LocalPackage", localPackage);
  texts.GetText(L"InstallSource", installSource);
  if (localPackage.empty() || installSource.empty()) return;
  if (!platform::FileExists(localPackage) || platform::FileExists(installSource)) return;
  if (reportedPackage.empty() || !text::EqualsNoCase(localPackage, reportedPackage)) {
    log_.Log(L"%s is not the cached package Windows Installer knows for %s; %s is not restored.", localPackage,
             productName, installSource);
    return;
  }
  if (InWindowsFolder(installSource)) {
    log_.Log(L"%s lies in the Windows folder or is no full path; it is not restored.", installSource);
    return;
  }
  CreateFolders(installSource);
  // Never overwrite: a file appearing meanwhile is someone else's.
  if (CopyFileW(reportedPackage.c_str(), installSource.c_str(), TRUE))
    log_.Log(L"Copying %s to %s succeeded.", localPackage, installSource);
  else
    log_.Log(L"Copying %s to %s failed with error code %d.", localPackage, installSource,
             static_cast<int>(GetLastError()));
}

void InstallSourceInfo::DeleteEntry(const std::wstring& productName) {
  if (!loaded_) return;
  std::wstring query = Query(productName);
  if (query.empty()) return;
  XmlNode entry;
  XmlQuery found = document_.SelectSingle(query, entry);
  HRESULT status = found == XmlQuery::NoMatch ? S_FALSE : E_FAIL;
  if (found == XmlQuery::Found && entry.Remove(&status)) {
    log_.Log(L"%s deleted", query);
    modified_ = true;
  } else {
    log_.Log(L"%s not deleted due to error %d", query, static_cast<int>(status));
  }
}

void InstallSourceInfo::Close() {
  if (modified_) {
    HRESULT status = S_OK;
    document_.Save(path_, &status);
    log_.Log(L"Saving %s returned %d.", path_, static_cast<int>(status));
    modified_ = false;
  }
  loaded_ = false;
  document_ = XmlDocument();
  path_.clear();
  com_.reset();
}
