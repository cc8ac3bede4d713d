#include "app/product_family.h"

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/platform.h"
#include "platform/text.h"

ProductFamily::ProductFamily(LogFile& log, PropertyMap& properties, platform::Platform& machine,
                             std::wstring platformText)
    : log_(log), properties_(properties), machine_(machine), platformText_(std::move(platformText)) {}

std::wstring ProductFamily::Key() const {
  std::wstring key = L"Software\\ZEM_Halvern";
  if (!platformText_.empty()) key += L"\\" + platformText_;
  if (properties_.Matches(L"ProductCulture", L"en-CA")) key += L"\\Canada";
  return key;
}

bool ProductFamily::Members(std::vector<std::wstring>& members) {
  const std::wstring key = Key();
  if (machine_.registry.Subkeys(platform::Hive::LocalMachine, key, platform::View::Bit32, members)) return true;
  log_.Log(L"Unable to open HKEY_LOCAL_MACHINE\\%s", key);
  return false;
}

bool ProductFamily::MemberInstalled(const std::wstring& productCode) {
  std::vector<std::wstring> members;
  bool installed = false;
  if (Members(members)) {
    for (const std::wstring& member : members) {
      if (text::EqualsNoCase(member, productCode)) continue;
      if (platform::IsInstalledState(machine_.installer.QueryProductState(member))) {
        log_.Log(L"%s is installed.", member);
        installed = true;
        break;
      }
      log_.Log(L"%s is not installed.", member);
    }
  }
  properties_.Set(L"Tier1_Installed", installed ? L"True" : L"False");
  return installed;
}

bool ProductFamily::AllMembersListed(const ProductCatalog& products) {
  std::vector<std::wstring> members;
  if (!Members(members)) return false;
  // Each member counts once: a product named twice in the definition must not stand in for
  // a registered member that the definition lacks.
  for (const std::wstring& member : members) {
    bool listed = false;
    for (const auto& product : products) listed = listed || text::EqualsNoCase(product->GUID, member);
    if (!listed) return false;
  }
  return true;
}
