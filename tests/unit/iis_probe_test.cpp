#include "checks/iis_probe.h"

#include <functional>

#include "fixtures.h"
#include "platform/files.h"
#include "probe_fixture.h"

namespace {

const wchar_t kInetStp[] = L"Software\\Microsoft\\InetStp";
const wchar_t kComponents[] = L"Software\\Microsoft\\InetStp\\Components";

using IisProbeTest = ProbeFixture;

TEST_F(IisProbeTest, MajorVersionAndItsFailureLines) {
  struct Row {
    std::function<void(FakeRegistry&)> setUp;
    int version;
    const wchar_t* line;
  };
  const Row rows[] = {
      {[](FakeRegistry&) {}, 0, L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp. Error 0x2"},
      {[](FakeRegistry& r) { r.deniedKeys.insert(text::ToLower(kInetStp)); }, 0,
       L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp. Error 0x5"},
      {[](FakeRegistry& r) { r.PutDword(kHklm, kBit32, kInetStp, L"MajorVersion", 7); }, 0,
       L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp PathWWWRoot value. Error 0x2"},
      {[](FakeRegistry& r) { r.PutString(kHklm, kBit32, kInetStp, L"PathWWWRoot", L"C:\\inetpub\\wwwroot"); }, 0,
       L"IIS version is 0"},
      {[](FakeRegistry& r) {
         r.PutString(kHklm, kBit32, kInetStp, L"PathWWWRoot", L"C:\\inetpub\\wwwroot");
         r.PutDword(kHklm, kBit32, kInetStp, L"MajorVersion", 10);
       },
       10, L"IIS version is 10"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.line));
    FakeRegistry registry;
    MemoryLog lines;
    row.setUp(registry);
    EXPECT_EQ(IisMajorVersion(lines, registry), row.version);
    EXPECT_TRUE(lines.Has(row.line));
  }
}

class IisComponentsTest : public ProbeFixture {
 protected:
  void Iis(int version) {
    fake.registry.PutString(kHklm, kBit32, kInetStp, L"PathWWWRoot", L"C:\\inetpub\\wwwroot");
    fake.registry.PutDword(kHklm, kBit32, kInetStp, L"MajorVersion", version);
  }
};

TEST_F(IisComponentsTest, MetabaseCompatibility) {
  EXPECT_FALSE(IisMetabaseCompatibility(log, fake.registry, fake.system));  // no IIS
  Iis(7);
  EXPECT_FALSE(IisMetabaseCompatibility(log, fake.registry, fake.system));
  EXPECT_TRUE(log.Has(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp\\Components. Error 0x2"));
  fake.registry.PutDword(kHklm, kBit32, kComponents, L"Metabase", 1);  // the wrong view on 64-bit Windows
  fake.registry.PutKey(kHklm, kBit64, kComponents);
  EXPECT_FALSE(IisMetabaseCompatibility(log, fake.registry, fake.system));
  EXPECT_TRUE(log.Has(L"Unable to access HKEY_LOCAL_MACHINE\\Software\\Microsoft\\InetStp\\Components registry "
                      L"key's Metabase value. Error 0x2"));
  fake.registry.PutDword(kHklm, kBit64, kComponents, L"Metabase", 1);
  EXPECT_TRUE(IisMetabaseCompatibility(log, fake.registry, fake.system));
  EXPECT_TRUE(log.Has(L"IIS 6 Metabase compatibility is 1"));
  Iis(6);
  fake.registry.PutDword(kHklm, kBit64, kComponents, L"Metabase", 0);
  EXPECT_TRUE(IisMetabaseCompatibility(log, fake.registry, fake.system));
}

TEST_F(IisComponentsTest, AspNetComponentValueDependsOnIisVersion) {
  struct Row {
    int iis;
    int aspnet, aspnet45;  // -1 absent
    bool answer;
    const wchar_t* line;
  };
  const Row rows[] = {
      {0, 1, 1, false, nullptr},  {5, 1, 1, false, nullptr},
      {6, -1, -1, true, nullptr}, {7, 1, -1, true, L"ASP.NET is installed."},
      {7, -1, 1, false, L"ASP.NET is not installed."}, {8, -1, 1, true, L"ASP.NET is installed."},
      {10, 1, 0, false, L"ASP.NET is not installed."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.iis << " " << row.aspnet << " " << row.aspnet45);
    FakePlatform machine;
    MemoryLog lines;
    if (row.aspnet >= 0) machine.registry.PutDword(kHklm, kBit64, kComponents, L"ASPNET", row.aspnet);
    if (row.aspnet45 >= 0) machine.registry.PutDword(kHklm, kBit64, kComponents, L"ASPNET45", row.aspnet45);
    AspNetProbe probe(lines, machine.bundle, row.iis, true);
    EXPECT_EQ(probe.AspNetComponentCheck(), row.answer);
    if (row.line)
      EXPECT_TRUE(lines.Has(row.line));
    else
      EXPECT_TRUE(lines.lines.empty());
  }
}

TEST_F(IisComponentsTest, RegistrationIsLookedUpInTheAskedView) {
  fake.registry.PutKey(kHklm, kBit64, L"Software\\Microsoft\\ASP.NET\\4.0.30319.0");
  AspNetProbe probe(log, fake.bundle, 7, true);
  EXPECT_TRUE(probe.AspNet4RegistrationCheck(true));
  EXPECT_TRUE(log.Has(L"ASP.NET 4 64-bit is registered."));
  EXPECT_FALSE(probe.AspNet4RegistrationCheck(false));
  EXPECT_TRUE(log.Has(L"ASP.NET 4 32-bit is not registered."));
}

// A Windows folder of the test's own, named by WINDIR for as long as the object lives.
class FakeWindowsFolder {
 public:
  FakeWindowsFolder() { folder_.MakeFolder(L"system32\\inetsrv"); }
  void WriteMetabase(const std::wstring& restrictions) const {
    std::string xml = "<configuration><MBProperty><IIsWebService Location=\"/LM/W3SVC\">"
                      "<Custom Name=\"WebSvcExtRestrictionList\" Value=\"" +
                      text::ToUtf8(restrictions) + "\"/></IIsWebService></MBProperty></configuration>";
    folder_.Write(L"system32\\inetsrv\\metabase.xml", xml);
  }
  std::wstring MetabasePath() const { return path_ + L"\\system32\\inetsrv\\metabase.xml"; }
  const std::wstring& path() const { return path_; }

 private:
  ScratchFolder folder_;
  const std::wstring path_ = folder_.path().substr(0, folder_.path().size() - 1);
  EnvironmentOverride windir_{L"WINDIR", path_};
};

TEST_F(IisComponentsTest, MetabaseRestrictionListMustHoldTheExactEntry) {
  FakeWindowsFolder windows;
  fake.registry.PutKey(kHklm, kBit64, L"Software\\Microsoft\\ASP.NET\\4.0.30319.0");
  AspNetProbe probe(log, fake.bundle, 6, true);
  EXPECT_FALSE(probe.AspNet4RegistrationCheck(true));
  EXPECT_TRUE(log.Has(windows.MetabasePath() + L" not found.")) << Lines();

  const std::wstring entry64 = L"\\Microsoft.NET\\Framework64\\v4.0.30319\\aspnet_isapi.dll";
  windows.WriteMetabase(L"0,*.dll,1," + text::ToLower(windows.path()) + entry64 + L",0,ASP.NET v4");
  EXPECT_FALSE(probe.AspNet4RegistrationCheck(true));
  EXPECT_TRUE(log.Has(L"ASP.NET 4 64-bit not enabled")) << Lines();

  windows.WriteMetabase(L"0,*.dll,1," + windows.path() + entry64 + L",0,ASP.NET v4");
  EXPECT_TRUE(probe.AspNet4RegistrationCheck(true));
  EXPECT_TRUE(log.Has(L"ASP.NET 4 64-bit enabled")) << Lines();
  EXPECT_FALSE(probe.AspNet4MetabaseCheck(false));  // the 32-bit entry is not there
  EXPECT_TRUE(log.Has(L"ASP.NET 4 32-bit not enabled")) << Lines();

  windows.WriteMetabase(L"");
  EXPECT_FALSE(probe.AspNet4MetabaseCheck(true));
  EXPECT_TRUE(log.Has(L"WebSvcExtRestrictionList empty")) << Lines();

  // Redirection went off and came back on for every look, including the failed ones.
  EXPECT_EQ(fake.processes.CountStartingWith(L"DisableFsRedirection"), 5u);
  EXPECT_EQ(fake.processes.CountStartingWith(L"RevertFsRedirection"), 5u);
}

}  // namespace
