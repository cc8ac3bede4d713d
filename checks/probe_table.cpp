#include "checks/probe_table.h"

#include <initializer_list>

#include "checks/dotnet_probe.h"
#include "checks/iis_probe.h"
#include "checks/msi_probes.h"
#include "checks/msi_registry_checks.h"
#include "checks/office_detection.h"
#include "checks/service_probes.h"
#include "checks/sql_probe.h"
#include "checks/system_info.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/text.h"

using Answer = std::optional<std::wstring>;
using platform::Hive;
using platform::View;

// The probes' shared objects, made on first use and kept for the run.
class ProbeState {
 public:
  explicit ProbeState(CheckContext& context) : ctx(context), machine(context.machine) {}

  SystemInfo& System() {
    if (!system_) system_ = std::make_unique<SystemInfo>(ctx.log, machine.system);
    return *system_;
  }
  DotNetFrameworkProbe& DotNet() {
    if (!dotNet_) dotNet_ = std::make_unique<DotNetFrameworkProbe>(ctx.log, machine.system, machine.registry);
    return *dotNet_;
  }
  AspNetProbe& AspNet() {
    if (!aspNet_)
      aspNet_ = std::make_unique<AspNetProbe>(ctx.log, machine, IisMajorVersion(ctx.log, machine.registry),
                                              System().Is64Bit());
    return *aspNet_;
  }
  SqlDetection& Sql() {
    if (!sql_) sql_ = std::make_unique<SqlDetection>(ctx.log, machine, System().Is64Bit());
    return *sql_;
  }

  CheckContext& ctx;
  platform::Platform& machine;

 private:
  std::unique_ptr<SystemInfo> system_;
  std::unique_ptr<DotNetFrameworkProbe> dotNet_;
  std::unique_ptr<AspNetProbe> aspNet_;
  std::unique_ptr<SqlDetection> sql_;
};

namespace {

Answer Bool(bool value) { return std::wstring(value ? L"True" : L"False"); }

// Code unit by code unit, a prefix being smaller: "9" is above "10".
bool AtLeastAsText(const std::wstring& value, const std::wstring& minimum) { return value >= minimum; }

Answer OfficeIs(ProbeState& s, const wchar_t* app, int year, std::initializer_list<int> codes) {
  const int code = DetectOfficeApp(s.machine.registry, s.machine.system, app, year);
  for (int c : codes)
    if (c == code) return Bool(true);
  return Bool(false);
}

Answer ProductOnMachine(ProbeState& s, const wchar_t* productCode) {
  return Bool(platform::IsInstalledState(s.machine.installer.QueryProductState(productCode)));
}

Answer KeyOpens(ProbeState& s, Hive hive, const wchar_t* key) {
  return Bool(s.machine.registry.KeyExists(hive, key, View::Bit32));
}

bool ValueAtLeast(ProbeState& s, const wchar_t* key, const wchar_t* name, const wchar_t* minimum) {
  std::wstring value;
  return ReadRegistryValue(s.machine.registry, L"HKLM", key, name, value, MAX_PATH * sizeof(wchar_t), false) &&
         AtLeastAsText(value, minimum);
}

Answer VcRuntime(ProbeState& s, const wchar_t* runtimeKey, const wchar_t* servicingKey) {
  if (s.machine.registry.KeyExists(Hive::LocalMachine, runtimeKey, View::Bit32)) return Bool(true);
  return Bool(ValueAtLeast(s, servicingKey, L"Install", L"1"));
}

Answer AnyServiceRunning(ProbeState& s, std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names)
    if (ServiceRunning(s.machine.services, name)) return Bool(true);
  return Bool(false);
}

Answer DotNet4(ProbeState& s) {
  const std::wstring os = s.ctx.properties.Get(L"OS");
  if (IsRetiredSystem(os)) {
    s.ctx.log.WriteLine(L"Skipping .NET Framework install since operating system does not meet minimum requirements.");
    return std::nullopt;
  }
  std::wstring requested = kDefaultDotNetVersion;  // a product without its own request asks for this one
  if (s.ctx.products && !s.ctx.products->empty() && s.ctx.products->front())
    requested = s.ctx.products->front()->NETFramework;
  DotNetFrameworkProbe& probe = s.DotNet();
  if (probe.DotNet4Check(requested)) return Bool(true);
  return Bool(probe.DotNet4Check(L"4.7.2"));
}

Answer AspNetRegistered(ProbeState& s) {
  AspNetProbe& probe = s.AspNet();
  if (probe.IisVersion() < 8) return Bool(probe.AspNet4RegistrationCheck(probe.Is64Bit()));
  return Bool(probe.AspNetComponentCheck());
}

struct ProbeEntry {
  const wchar_t* name;
  Answer (*run)(ProbeState&);
};

const ProbeEntry kProbes[] = {
    {L"DotNetFramework_35SP1",
     [](ProbeState& s) { return Bool(s.DotNet().FrameworkCheck(L"v3.5", L"SP", L".NET Framework 3.5 SP1", false)); }},
    {L"DotNetFramework_4", DotNet4},
    {L"WindowsInstaller",
     [](ProbeState& s) { return Bool(WindowsInstallerVersionCheck(s.ctx.log, s.machine.installer)); }},
    {L"ASPNET_Registered", AspNetRegistered},
    {L"Word_2003", [](ProbeState& s) { return OfficeIs(s, L"Word", 2003, {Office2003}); }},
    {L"Word_2007", [](ProbeState& s) { return OfficeIs(s, L"Word", 2007, {Office2007}); }},
    {L"Word_2010", [](ProbeState& s) { return OfficeIs(s, L"Word", 2010, {Office2010x86, Office2010x64}); }},
    {L"Word_2010_32bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2010, {Office2010x86}); }},
    {L"Word_2010_64bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2010, {Office2010x64}); }},
    {L"Word_2013", [](ProbeState& s) { return OfficeIs(s, L"Word", 2013, {Office2013x86, Office2013x64}); }},
    {L"Word_2013_32bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2013, {Office2013x86}); }},
    {L"Word_2013_64bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2013, {Office2013x64}); }},
    {L"Word_2016", [](ProbeState& s) { return OfficeIs(s, L"Word", 2016, {Office2016x86, Office2016x64}); }},
    {L"Word_2016_32bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2016, {Office2016x86}); }},
    {L"Word_2016_64bit", [](ProbeState& s) { return OfficeIs(s, L"Word", 2016, {Office2016x64}); }},
    {L"ReportBuilder", [](ProbeState& s) { return ProductOnMachine(s, L"{B4A81AF3-9BDF-4279-96CA-5487998087E7}"); }},
    {L"VSTO_4",
     [](ProbeState& s) {
       return Bool(ValueAtLeast(s, L"SOFTWARE\\Microsoft\\VSTO Runtime Setup\\v4R", L"Version", L"10.0.60724"));
     }},
    {L"VC2015X86",
     [](ProbeState& s) {
       return VcRuntime(s, L"SOFTWARE\\WOW6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86",
                        L"SOFTWARE\\Wow6432Node\\Microsoft\\DevDiv\\VC\\Servicing\\14.0\\RuntimeAdditional");
     }},
    {L"VC2015X64",
     [](ProbeState& s) {
       return VcRuntime(s, L"SOFTWARE\\WOW6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x64",
                        L"SOFTWARE\\Microsoft\\DevDiv\\VC\\Servicing\\14.0\\RuntimeAdditional");
     }},
    {L"WebView264Bit",
     [](ProbeState& s) {
       return KeyOpens(s, Hive::LocalMachine,
                       L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}");
     }},
    {L"Office_2007_SP3",
     [](ProbeState& s) {
       const std::wstring version = Office2007MsoVersion(s.machine.registry);
       return Bool(!version.empty() && AtLeastAsText(version, L"12.0.6607.1000"));
     }},
    {L"VFPOLEDB",
     [](ProbeState& s) {
       return Bool(s.machine.system.InprocObjectCreatable(L"{50BAEED9-ED25-11D2-B97B-000000000000}"));
     }},
    {L"AdvantageDataprovider",
     [](ProbeState& s) { return ProductOnMachine(s, L"{BFEAEAF2-68FE-4207-86A1-BF1D065EBFB5}"); }},
    // The program's own view: the question is whether this program can use MSXML 6.
    {L"MSXML6",
     [](ProbeState& s) { return Bool(s.machine.registry.KeyExists(Hive::ClassesRoot, L"Msxml2.DOMDocument.6.0", View::Native)); }},
    {L"DataMigration_Database", [](ProbeState& s) { return AnyServiceRunning(s, {L"MSSQL$SQLEXPRESS_DMZEM"}); }},
    {L"DataMigration2014_Database",
     [](ProbeState& s) { return AnyServiceRunning(s, {L"MSSQL$ZEMDM_SQLEXP2014", L"ZEMDM_SQLEXP2014"}); }},
    {L"DataMigration2019_Database",
     [](ProbeState& s) { return AnyServiceRunning(s, {L"MSSQL$ZEMDM_SQLEXP", L"ZEMDM_SQLEXP"}); }},
    {L"Dat2014_Database",
     [](ProbeState& s) { return AnyServiceRunning(s, {L"MSSQL$SQLEXPRESS_DAZEM", L"SQLEXPRESS_DAZEM"}); }},
    {L"IIS", [](ProbeState& s) { return Bool(IisMajorVersion(s.ctx.log, s.machine.registry) >= 1); }},
    {L"IIS6_Metabase",
     [](ProbeState& s) { return Bool(IisMetabaseCompatibility(s.ctx.log, s.machine.registry, s.machine.system)); }},
    {L"ASPNET", [](ProbeState& s) { return Bool(s.AspNet().AspNetComponentCheck()); }},
    {L"IndexingService",
     [](ProbeState& s) { return Bool(IndexingServiceState(s.ctx.log, s.machine.services) == IndexingRunning); }},
    {L"MSMQ", [](ProbeState& s) { return Bool(MsmqCheck(s.ctx.log, s.machine.registry, s.machine.system)); }},
    {L"SQLCMD", [](ProbeState& s) { return Bool(s.Sql().SqlCmdCheck()); }},
    {L"SQLServer", [](ProbeState& s) { return Answer(SqlVersionName(s.Sql().SqlServerVersion())); }},
    {L"SQLServerReportingServices", [](ProbeState& s) { return AnyServiceRunning(s, {L"ReportServer"}); }},
    {L"Access2007", [](ProbeState& s) { return OfficeIs(s, L"Access", 2007, {Office2007}); }},
};

const ProbeEntry* Find(const std::wstring& name) {
  for (const ProbeEntry& entry : kProbes)
    if (name == entry.name) return &entry;
  return nullptr;
}

}  // namespace

ProbeTable::ProbeTable(CheckContext& context) : state_(std::make_unique<ProbeState>(context)) {}
ProbeTable::~ProbeTable() = default;

bool ProbeTable::Handles(const std::wstring& name) { return Find(name) != nullptr; }

std::vector<std::wstring> ProbeTable::Names() {
  std::vector<std::wstring> names;
  for (const ProbeEntry& entry : kProbes) names.push_back(entry.name);
  return names;
}

Answer ProbeTable::Run(const std::wstring& name) {
  const ProbeEntry* entry = Find(name);
  if (!entry) return std::nullopt;
  return entry->run(*state_);
}
