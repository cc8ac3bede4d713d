// Run-mode detection, the install-directory operations and the product family key.
#include <shlobj.h>

#include "app/app.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/text.h"

void CCommonBootstrapperApp::DetectMode() {
  modeFlags_ &= ~mode::Default;
  const uint32_t asked = cmd_.modeFlags;
  std::wstring modeText;
  auto choose = [&](uint32_t bit, const wchar_t* line) {
    modeFlags_ |= bit;
    log_->WriteLine(line);
  };

  if (platform::IsInstalledState(platform_.installer.QueryProductState(guid_))) {
    if (asked & mode::Repair) {
      choose(mode::Repair, L"Repair mode detected");
      modeText = L"Repair";
    }
    if (asked & mode::Upgrade) {
      choose(mode::Upgrade, L"Upgrade mode detected");
      modeText = L"Upgrade";
    }
    if ((asked & mode::Uninstall) || asked == mode::Default) {
      choose(mode::Uninstall, L"Uninstall mode detected");
      FamilyMemberInstalled(guid_);
      modeText += L"Uninstall";
    }
    std::wstring directory;
    if (!ResolveInstallDirectory(guid_, directory)) DefaultInstallDirectory(directory);
    SetInstallDirectory(directory);
  } else {
    if (asked & mode::Upgrade) {
      choose(mode::Upgrade, L"Upgrade mode detected");
      modeText = L"Upgrade";
      std::wstring directory;
      if (oldGuid_.empty() || !ResolveInstallDirectory(oldGuid_, directory) || directory.empty())
        DefaultInstallDirectory(directory);
      SetInstallDirectory(directory);
    }
    if ((asked & (mode::Install | mode::Uninstall)) || asked == mode::Default) {
      choose(mode::Install, L"Install mode detected");
      modeText = L"Install";
    }
  }

  properties_->Set(L"Install", (modeFlags_ & mode::Install) ? L"True" : L"False");
  properties_->Set(L"Uninstall", (modeFlags_ & mode::Uninstall) ? L"True" : L"False");
  properties_->Set(L"Repair", (modeFlags_ & mode::Repair) ? L"True" : L"False");
  properties_->Set(L"Upgrade", (modeFlags_ & mode::Upgrade) ? L"True" : L"False");
  properties_->Set(L"Mode", modeText);
}

void CCommonBootstrapperApp::SetInstallDirectory(const std::wstring& directory) {
  cmd_.installDirectory = directory;
  properties_->Set(L"[INSTALLDIRECTORY]", directory);
}

std::wstring CCommonBootstrapperApp::FamilyKey() const {
  std::wstring key = L"Software\\ZEM_Halvern";
  if (!platformText_.empty()) key += L"\\" + platformText_;
  if (properties_->Matches(L"ProductCulture", L"en-CA")) key += L"\\Canada";
  return key;
}

bool CCommonBootstrapperApp::FamilyMembers(std::vector<std::wstring>& members) {
  const std::wstring key = FamilyKey();
  if (platform_.registry.Subkeys(platform::Hive::LocalMachine, key, platform::View::Bit32, members)) return true;
  log_->Log(L"Unable to open HKEY_LOCAL_MACHINE\\%s", key);
  return false;
}

bool CCommonBootstrapperApp::FamilyMemberInstalled(const std::wstring& productCode) {
  std::vector<std::wstring> members;
  bool installed = false;
  if (FamilyMembers(members)) {
    for (const std::wstring& member : members) {
      if (text::EqualsNoCase(member, productCode)) continue;
      if (platform::IsInstalledState(platform_.installer.QueryProductState(member))) {
        log_->Log(L"%s is installed.", member);
        installed = true;
        break;
      }
      log_->Log(L"%s is not installed.", member);
    }
  }
  properties_->Set(L"Tier1_Installed", installed ? L"True" : L"False");
  return installed;
}

bool CCommonBootstrapperApp::AllFamilyMembersListed() {
  std::vector<std::wstring> members;
  if (!FamilyMembers(members)) return false;
  // Each member counts once: a product named twice in the definition must not stand in for
  // a registered member that the definition lacks.
  for (const std::wstring& member : members) {
    bool listed = false;
    for (const auto& product : products_) listed = listed || text::EqualsNoCase(product->GUID, member);
    if (!listed) return false;
  }
  return true;
}

bool CCommonBootstrapperApp::ResolveInstallDirectory(const std::wstring& productCode, std::wstring& out) {
  std::wstring location;
  if (!platform_.installer.GetProductInfo(productCode, L"InstallLocation", location) || location.empty()) return false;
  out = NormalizeInstallDirectory(location);
  return true;
}

bool CCommonBootstrapperApp::SharedClientInstallDirectory(std::wstring& out) {
  if (PlatformKind() == 3) return false;
  LONG error = 0;
  auto value = platform_.registry.Read(platform::Hive::LocalMachine, L"SOFTWARE\\ZEM_CommonClient_ASP", L"InstallDir",
                                       platform::View::Bit32, error);
  if (!value || value->text.empty()) return false;
  std::wstring folder = value->text.substr(0, MAX_PATH - 1);
  out = NormalizeInstallDirectory(folder);
  return true;
}

std::wstring CCommonBootstrapperApp::NormalizeInstallDirectory(std::wstring path) const {
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

void CCommonBootstrapperApp::DefaultInstallDirectory(std::wstring& out) {
  std::wstring programFiles = platform_.system.ProgramFilesFolder();
  out = programFiles.empty() ? L"C:\\" + qvDirectory_ + L"\\" : programFiles + L"\\" + qvDirectory_;
}

void CCommonBootstrapperApp::ApplyDefaultInstallDirectory() {
  std::wstring directory;
  DefaultInstallDirectory(directory);
  SetInstallDirectory(directory);
}
