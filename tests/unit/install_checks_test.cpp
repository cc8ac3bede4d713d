#include "checks/install_checks.h"

#include <functional>
#include <memory>
#include <set>

#include "checks/probe_table.h"
#include "definition/product.h"
#include "platform/files.h"
#include "probe_fixture.h"

namespace {

std::wstring Checks(const std::wstring& group, const std::wstring& children) {
  return L"<Setup><" + group + L">" + children + L"</" + group + L"></Setup>";
}
std::wstring Check(const std::wstring& property, int order, const std::wstring& element = L"InstallCheck") {
  return text::Format(L"<%s Property=\"%s\"><Order>%d</Order></%s>", element, property, order, element);
}

class InstallChecksTest : public ProbeFixture {
 public:
  void SetUp() override {
    ProbeFixture::SetUp();
    fake.installer.versionMajor = 4;  // too old unless a test says otherwise
    fake.installer.versionMinor = 0;
  }
  void RunOne(const std::wstring& property) {
    Load(Checks(L"InstallChecks", Check(property, 1)));
    RunInstallChecks(context);
  }
  void Iis(int version) {
    fake.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\InetStp", L"PathWWWRoot", L"C:\\inetpub");
    fake.registry.PutDword(kHklm, kBit32, L"Software\\Microsoft\\InetStp", L"MajorVersion", version);
  }
  void Office(const std::wstring& version, const std::wstring& app, const wchar_t* bitness) {
    const std::wstring root = L"Software\\Microsoft\\Office\\" + version + L"\\" + app + L"\\InstallRoot";
    if (bitness)
      fake.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\Office\\" + version + L"\\Outlook", L"Bitness",
                              bitness);
    fake.registry.PutString(kHklm, bitness && std::wstring(bitness) == L"x64" ? kBit64 : kBit32, root, L"Path",
                            L"C:\\Office\\");
  }
};

using Setup = std::function<void(InstallChecksTest&)>;
struct ProbeRow {
  const wchar_t* name;
  Setup setUp;
  const wchar_t* answer = L"True";         // with setUp
  const wchar_t* emptyAnswer = L"False";  // on a machine without anything
};

Setup Dword(platform::View view, std::wstring key, std::wstring name, DWORD value) {
  return [=](InstallChecksTest& t) { t.fake.registry.PutDword(kHklm, view, key, name, value); };
}
Setup Key(platform::Hive hive, std::wstring key) {
  return [=](InstallChecksTest& t) { t.fake.registry.PutKey(hive, kBit32, key); };
}
Setup MsiState(std::wstring code, int state) {
  return [=](InstallChecksTest& t) { t.fake.installer.states[code] = state; };
}
Setup Running(std::wstring service) {
  return [=](InstallChecksTest& t) { t.fake.services.Put(service, SERVICE_RUNNING); };
}
Setup Office(std::wstring version, std::wstring app, const wchar_t* bitness = nullptr) {
  return [=](InstallChecksTest& t) { t.Office(version, app, bitness); };
}
Setup Iis(int version) {
  return [=](InstallChecksTest& t) { t.Iis(version); };
}
Setup Both(Setup a, Setup b) {
  return [=](InstallChecksTest& t) { a(t), b(t); };
}

const wchar_t kNdp[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\";
const wchar_t kSqlServer[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\";

const std::vector<ProbeRow>& ProbeRows() {
  static const std::vector<ProbeRow> rows = {
      {L"DotNetFramework_35SP1", Dword(kBit32, std::wstring(kNdp) + L"v3.5", L"SP", 1)},
      {L"DotNetFramework_4", Both(Dword(kBit32, std::wstring(kNdp) + L"v4\\Full", L"Install", 1),
                                  Dword(kBit32, std::wstring(kNdp) + L"v4\\Full", L"Release", 528040))},
      {L"WindowsInstaller", [](InstallChecksTest& t) { t.fake.installer.versionMinor = 5; }},
      {L"ASPNET_Registered", Both(Iis(7), [](InstallChecksTest& t) {
         t.fake.registry.PutKey(kHklm, kBit64, L"Software\\Microsoft\\ASP.NET\\4.0.30319.0");
       })},
      {L"Word_2003", Office(L"11.0", L"Word")},
      {L"Word_2007", Office(L"12.0", L"Word")},
      {L"Word_2010", Office(L"14.0", L"Word", L"x64")},
      {L"Word_2010_32bit", Office(L"14.0", L"Word")},
      {L"Word_2010_64bit", Office(L"14.0", L"Word", L"x64")},
      {L"Word_2013", Office(L"15.0", L"Word")},
      {L"Word_2013_32bit", Office(L"15.0", L"Word")},
      {L"Word_2013_64bit", Office(L"15.0", L"Word", L"x64")},
      {L"Word_2016", Office(L"16.0", L"Word")},
      {L"Word_2016_32bit", Office(L"16.0", L"Word")},
      {L"Word_2016_64bit", Office(L"16.0", L"Word", L"x64")},
      {L"ReportBuilder", MsiState(L"{B4A81AF3-9BDF-4279-96CA-5487998087E7}", 2)},
      {L"VSTO_4", [](InstallChecksTest& t) {
         t.fake.registry.PutString(kHklm, kBit32, L"SOFTWARE\\Microsoft\\VSTO Runtime Setup\\v4R", L"Version",
                                   L"10.0.60730");
       }},
      {L"VC2015X86",
       Dword(kBit32, L"SOFTWARE\\Wow6432Node\\Microsoft\\DevDiv\\VC\\Servicing\\14.0\\RuntimeAdditional", L"Install", 1)},
      {L"VC2015X64", Key(kHklm, L"SOFTWARE\\WOW6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x64")},
      {L"WebView264Bit",
       Key(kHklm, L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}")},
      {L"Office_2007_SP3", [](InstallChecksTest& t) {
         // Any file whose product version is, as text, at least 12.0.6607.1000 will do.
         const std::wstring file = platform::EnvironmentValue(L"WINDIR") + L"\\system32\\msxml6.dll";
         ASSERT_GE(platform::FileProductVersion(file), L"12.0.6607.1000");
         t.fake.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\Office\\12.0\\Common\\FilesPaths",
                                   L"mso.dll", file);
       }},
      {L"VFPOLEDB",
       [](InstallChecksTest& t) { t.fake.system.comClasses.insert(L"{50BAEED9-ED25-11D2-B97B-000000000000}"); }},
      {L"AdvantageDataprovider", MsiState(L"{BFEAEAF2-68FE-4207-86A1-BF1D065EBFB5}", 5)},
      {L"MSXML6", [](InstallChecksTest& t) {
         t.fake.registry.PutKey(platform::Hive::ClassesRoot, platform::View::Native, L"Msxml2.DOMDocument.6.0");
       }},
      {L"DataMigration_Database", Running(L"MSSQL$SQLEXPRESS_DMZEM")},
      {L"DataMigration2014_Database", Running(L"ZEMDM_SQLEXP2014")},
      {L"DataMigration2019_Database", Running(L"ZEMDM_SQLEXP")},
      {L"Dat2014_Database", Running(L"SQLEXPRESS_DAZEM")},
      {L"IIS", Iis(5)},
      {L"IIS6_Metabase", Iis(6)},
      {L"ASPNET", Both(Iis(8), Dword(kBit64, L"Software\\Microsoft\\InetStp\\Components", L"ASPNET45", 1))},
      {L"IndexingService", Running(L"CISVC")},
      {L"MSMQ", Dword(kBit64, L"Software\\Microsoft\\MSMQ\\Setup", L"msmq_Core", 1)},
      {L"SQLCMD", MsiState(L"{9D573E71-1077-4C7E-B4DB-4E22A5D2B48B}", 5)},
      {L"SQLServer",
       [](InstallChecksTest& t) {
         t.fake.registry.PutString(kHklm, kBit32, std::wstring(kSqlServer) + L"Instance Names\\SQL", L"MSSQLSERVER",
                                   L"MSSQL10_50.MSSQLSERVER");
         t.fake.registry.PutString(kHklm, kBit32,
                                   std::wstring(kSqlServer) + L"MSSQL10_50.MSSQLSERVER\\MSSQLServer\\CurrentVersion",
                                   L"CurrentVersion", L"10.50.2500.0");
       },
       L"SQL_SERVER_2008R2SP1", L"Unknown"},
      {L"SQLServerReportingServices", Running(L"ReportServer")},
      {L"Access2007", Office(L"12.0", L"Access")},
  };
  return rows;
}

TEST(ProbeTableTest, EveryProbeHasARow) {
  std::set<std::wstring> tested;
  for (const ProbeRow& row : ProbeRows()) tested.insert(row.name);
  const std::vector<std::wstring> names = ProbeTable::Names();
  EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()), tested);
  EXPECT_EQ(names.size(), tested.size());
}

class ProbeRowTest : public InstallChecksTest, public testing::WithParamInterface<size_t> {};

TEST_P(ProbeRowTest, NameReachesItsRoutine) {
  const ProbeRow& row = ProbeRows()[GetParam()];
  properties.Set(L"OS", L"Win10");
  RunOne(row.name);
  EXPECT_EQ(properties.Get(row.name), row.emptyAnswer) << Lines();

  properties = PropertyMap();
  properties.Set(L"OS", L"Win10");
  row.setUp(*this);
  RunOne(row.name);
  EXPECT_EQ(properties.Get(row.name), row.answer) << Lines();
  EXPECT_TRUE(log.Has(std::wstring(row.name) + L" " + row.answer)) << Lines();
}

INSTANTIATE_TEST_SUITE_P(AllProbes, ProbeRowTest, testing::Range<size_t>(0, ProbeRows().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return text::ToUtf8(ProbeRows()[info.param].name);
                         });

TEST_F(InstallChecksTest, NameInAnotherCaseIsNotHandled) {
  Load(Checks(L"InstallChecks", Check(L"iis", 1) + Check(L"Word_2010_64Bit", 2)));
  RunInstallChecks(context);
  EXPECT_TRUE(log.Has(L"iis not handled")) << Lines();
  EXPECT_TRUE(log.Has(L"Word_2010_64Bit not handled")) << Lines();
  EXPECT_FALSE(properties.Has(L"iis"));
}

TEST_F(InstallChecksTest, ValueSetBeforeKeepsTheProbeFromRunning) {
  properties.Set(L"IIS", L"True");
  Load(Checks(L"InstallChecks", Check(L"IIS", 1) + Check(L"MSMQ", 2) + Check(L"MSMQ", 3)));
  RunInstallChecks(context);
  EXPECT_EQ(properties.Get(L"IIS"), L"True");
  EXPECT_FALSE(log.HasContaining(L"InetStp")) << Lines();
  EXPECT_EQ(log.Count(L"MSMQ False"), 1u) << Lines();
}

TEST_F(InstallChecksTest, DotNet4IsSkippedOnOldSystems) {
  for (const wchar_t* os : {L"WinXPx64", L"XP", L"Win2003R2", L"Win2003", L"Vista", L"VISTA"}) {
    SCOPED_TRACE(text::ToUtf8(os));
    properties = PropertyMap();
    log.lines.clear();
    properties.Set(L"OS", os);
    RunOne(L"DotNetFramework_4");
    EXPECT_FALSE(properties.Has(L"DotNetFramework_4"));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{
                             L"Skipping .NET Framework install since operating system does not meet minimum "
                             L"requirements."});
  }
}

TEST_F(InstallChecksTest, DotNet4AsksFor472OnlyAfterAFirstNo) {
  Load(L"<Setup><Product NETFramework=\"4.8\"/></Setup>");
  XmlNode element;
  ASSERT_EQ(doc.SelectSingle(L"//Product", element), XmlQuery::Found);
  ProductCatalog catalog{std::make_shared<Product>(element, values, L"C:\\setup")};
  context.products = &catalog;
  properties.Set(L"OS", L"Win10");
  RunOne(L"DotNetFramework_4");  // 4.8 needs no look on Windows 10
  EXPECT_EQ(properties.Get(L"DotNetFramework_4"), L"True");
  EXPECT_FALSE(log.HasContaining(L".NET Framework 4")) << Lines();

  fake.system.version = FakeSystemQueries::Make(6, 1, 1);  // Windows 7 without service pack
  properties = PropertyMap();
  properties.Set(L"OS", L"Win7");
  log.lines.clear();
  RunOne(L"DotNetFramework_4");
  EXPECT_EQ(properties.Get(L"DotNetFramework_4"), L"False");
  EXPECT_EQ(log.Count(L".NET Framework 4 Full not installed."), 2u) << Lines();
}

TEST_F(InstallChecksTest, WalkOfBothGroups) {
  fake.installer.states[L"{AAAAAAAA-0000-0000-0000-000000000001}"] = 5;
  Load(L"<Setup><InstallChecks>" + Check(L"MSMQ", 1) +
       L"<MSICheck Property=\"Mine\" GUID=\"{AAAAAAAA-0000-0000-0000-000000000001}\"><Order>2</Order></MSICheck>" +
       L"<InstallCheck><Order>3</Order></InstallCheck>" + Check(L"IIS", 5) +
       L"</InstallChecks><MSIChecks>" + Check(L"Unknown_Probe", 1) +
       L"<InstallCheck Property=\"VFPOLEDB\"><Order>2</Order><CheckConditions><CheckIf Property=\"Nothing\" "
       L"Value=\"1\"/></CheckConditions></InstallCheck>" +
       Check(L"Other", 3, L"Something") + L"</MSIChecks></Setup>");
  RunInstallChecks(context);
  EXPECT_EQ(properties.Get(L"MSMQ"), L"False");
  EXPECT_EQ(properties.Get(L"Mine"), L"True");
  EXPECT_TRUE(log.Has(L"InstallCheck - Property attribute missing")) << Lines();
  EXPECT_FALSE(properties.Has(L"IIS"));  // Order 4 is missing
  EXPECT_TRUE(log.Has(L"Unknown_Probe not handled")) << Lines();
  EXPECT_TRUE(log.Has(L"VFPOLEDB not checked.")) << Lines();
  EXPECT_FALSE(properties.Has(L"VFPOLEDB"));
  EXPECT_FALSE(properties.Has(L"Other"));
}

}  // namespace
