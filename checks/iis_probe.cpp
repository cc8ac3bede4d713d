#include "checks/iis_probe.h"

#include <memory>

#include "checks/probe_registry.h"
#include "core/log_file.h"
#include "definition/xml_document.h"
#include "platform/files.h"
#include "platform/text.h"

using platform::Hive;
using platform::View;

namespace {

const wchar_t kInetStp[] = L"Software\\Microsoft\\InetStp";
const wchar_t kComponents[] = L"Software\\Microsoft\\InetStp\\Components";

}  // namespace

int IisMajorVersion(LogFile& log, platform::Registry& registry) {
  LONG status = registry.KeyStatus(Hive::LocalMachine, kInetStp, View::Bit32);
  if (status != ERROR_SUCCESS) {
    log.Log(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp. Error %#x", status);
    return 0;
  }
  LONG error = 0;
  if (!registry.Read(Hive::LocalMachine, kInetStp, L"PathWWWRoot", View::Bit32, error)) {
    log.Log(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp PathWWWRoot value. Error %#x", error);
    return 0;
  }
  DWORD major = 0;
  probe_registry::ReadNumber(registry, kInetStp, L"MajorVersion", View::Bit32, major, error);
  log.Log(L"IIS version is %d", static_cast<int>(major));
  return static_cast<int>(major);
}

bool IisMetabaseCompatibility(LogFile& log, platform::Registry& registry, platform::SystemQueries& system) {
  const int version = IisMajorVersion(log, registry);
  if (version == 0) return false;
  if (version == 6) return true;
  const View view = probe_registry::Wow64AwareView(system);
  LONG status = registry.KeyStatus(Hive::LocalMachine, kComponents, view);
  if (status != ERROR_SUCCESS) {
    log.Log(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp\\Components. Error %#x", status);
    return false;
  }
  DWORD metabase = 0;
  LONG error = 0;
  if (!probe_registry::ReadNumber(registry, kComponents, L"Metabase", view, metabase, error)) {
    log.Log(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp\\Components registry key's Metabase "
            L"value. Error %#x",
            error);
    return false;
  }
  log.Log(L"IIS 6 Metabase compatibility is %d", static_cast<int>(metabase));
  return metabase == 1;
}

bool AspNetProbe::AspNetComponentCheck() {
  if (iisMajorVersion_ == 6) return true;
  if (iisMajorVersion_ < 7) return false;
  const wchar_t* name = iisMajorVersion_ == 7 ? L"ASPNET" : L"ASPNET45";
  DWORD value = 0;
  LONG error = 0;
  const View view = probe_registry::Wow64AwareView(machine_.system);
  if (probe_registry::ReadNumber(machine_.registry, kComponents, name, view, value, error) && value == 1) {
    log_.WriteLine(L"ASP.NET is installed.");
    return true;
  }
  log_.WriteLine(L"ASP.NET is not installed.");
  return false;
}

bool AspNetProbe::AspNet4RegistrationCheck(bool bit64) {
  const wchar_t* name = bit64 ? L"ASP.NET 4 64-bit" : L"ASP.NET 4 32-bit";
  if (!machine_.registry.KeyExists(Hive::LocalMachine, L"Software\\Microsoft\\ASP.NET\\4.0.30319.0",
                                   bit64 ? View::Bit64 : View::Bit32)) {
    log_.Log(L"%s is not registered.", name);
    return false;
  }
  log_.Log(L"%s is registered.", name);
  return iisMajorVersion_ == 6 ? AspNet4MetabaseCheck(bit64) : true;
}

bool AspNetProbe::AspNet4MetabaseCheck(bool bit64) {
  // The metabase lies in the 64-bit system folder, which redirection would hide from us.
  std::unique_ptr<platform::RedirectionScope> redirection;
  if (is64Bit_) redirection = machine_.processes.DisableFsRedirection();

  std::wstring windows = platform::EnvironmentValue(L"WINDIR");
  if (windows.empty()) {
    log_.WriteLine(L"Unable to read the WINDIR environment variable.");
    return false;
  }
  while (!windows.empty() && windows.back() == L'\\') windows.pop_back();
  const std::wstring path = windows + L"\\system32\\inetsrv\\metabase.xml";
  if (!platform::FileExists(path)) {
    log_.Log(L"%s not found.", path);
    return false;
  }
  const std::wstring entry =
      text::Format(bit64 ? L"1,%s\\Microsoft.NET\\Framework64\\v4.0.30319\\aspnet_isapi.dll"
                         : L"1,%s\\Microsoft.NET\\Framework\\v4.0.30319\\aspnet_isapi.dll",
                   windows);
  return MetabaseListAllows(path, entry, bit64 ? L"64-bit" : L"32-bit");
}

bool AspNetProbe::MetabaseListAllows(const std::wstring& path, const std::wstring& entry, const wchar_t* bitness) {
  XmlDocument metabase;
  HRESULT status = S_OK;
  if (!metabase.Create(status)) {
    log_.Log(L"Unable to create DOMDocument. Error code:%#x", status);
    return false;
  }
  if (!metabase.Load(path, &status)) {
    log_.Log(L"Unable to load %s. Error code:%#x", path, status);
    return false;
  }
  XmlNode list;
  XmlQuery query = metabase.SelectSingle(L"//IIsWebService/Custom[@Name='WebSvcExtRestrictionList']/@Value", list);
  if (query == XmlQuery::Failed) {
    log_.Log(L"Unable to get restrictions list. Error code:%#x", E_FAIL);
    return false;
  }
  std::wstring restrictions;
  if (query == XmlQuery::NoMatch) {
    log_.WriteLine(L"WebSvcExtRestrictionList empty");
    return false;
  }
  if (!list.Text(restrictions, &status)) {
    log_.Log(L"Unable to get text for restrictions list. Error code:%#x", status);
    return false;
  }
  if (restrictions.empty()) {
    log_.WriteLine(L"WebSvcExtRestrictionList empty");
    return false;
  }
  if (!text::Contains(restrictions, entry)) {
    log_.Log(L"ASP.NET 4 %s not enabled", bitness);
    return false;
  }
  log_.Log(L"ASP.NET 4 %s enabled", bitness);
  return true;
}
