#include <windows.h>

#include <algorithm>
#include <fstream>

#include "checks/system_info.h"
#include "download_fixture.h"
#include "engine/aspnet_installer.h"
#include "engine/dotnet_framework_installer.h"
#include "engine/sql_client_installer.h"
#include "engine/vendor_links.h"
#include "engine/windows_installer_component.h"

namespace {

constexpr auto kHklm = platform::Hive::LocalMachine;
constexpr auto kBit32 = platform::View::Bit32;
constexpr BYTE kWorkstation = 1, kServer = 3;
const wchar_t kNet35[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.5";
const wchar_t kDism[] = L"Create [C:\\windows\\system32\\dism.exe /online /enable-feature /all /featureName:";
FakeLaunch Exits(DWORD code) { return FakeLaunch{0, true, 0, true, code, 0}; }

class InstallersTest : public DownloadFixture {
 protected:
  void Windows(DWORD major, DWORD minor, BYTE type, WORD servicePack = 0, bool is64 = true) {
    fake.system.version = FakeSystemQueries::Make(major, minor, type);
    fake.system.version.servicePackMajor = servicePack;
    fake.system.is64 = is64;
    fake.system.nativeArchitecture = is64 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
  }
  template <typename T>
  T& InWork(T& installer) {
    installer.workFolder = work;
    return installer;
  }
  bool Fetched(VendorLink link) const {
    return std::count(fake.http.calls.begin(), fake.http.calls.end(), L"CrackUrl " + links.Url(link)) == 1;
  }
  static std::wstring Shell(const std::wstring& file, const std::wstring& parameters) {
    return L"ShellOpen [" + file + L"] [" + parameters + L"] hidden";
  }
  void Reset() {
    processes.calls.clear();
    fake.http.calls.clear();
    fake.installer.calls.clear();
    log.lines.clear();
  }

  VendorLinks links;
};

TEST(DotNetPackageTest, TheSystemAndServicePackChooseTheWebInstaller) {
  struct Case {
    OsCode osCode;
    int servicePack;
    const wchar_t* version;
    const wchar_t* file;
  } cases[] = {
      {OsWin7, 0, L"4.7.2", L"dotNetFx40_full_setup.exe"}, {OsWin7, 1, L"4.7.2", L"NDP472-KB4054531-Web.exe"},
      {OsWin10, 0, L"4.8", L"dotNetFx45_Full_setup.exe"},  {OsWin2016, 0, L"4.7.2", L"NDP472-KB4054531-Web.exe"},
      {OsVista, 1, L"4.7.2", L"dotNetFx40_full_setup.exe"}, {OsWin2008, 2, L"4.6", L"dotNetFx45_Full_setup.exe"},
      {OsWinXP, 3, L"4.7.2", L"dotNetFx40_full_setup.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.osCode << " sp" << c.servicePack << " " << text::ToUtf8(c.version));
    EXPECT_EQ(std::wstring(c.file),
              DotNetFrameworkInstaller::ChooseDotNet4Package(c.osCode, c.servicePack, c.version).fileName);
  }
}

TEST_F(InstallersTest, DotNet4RunsTheWebInstallerAndJudgesItsExitCode) {
  struct Case {
    DWORD exitCode;
    bool ok;
    const wchar_t* errorText;
  } cases[] = {
      {0, true, L""},
      {3010, true, L""},
      {5100, false,
       L"This computer does not meet the .NET Framework minimum system requirements. Disk space required is 850 MB "
       L"(32-bit) and 3.5 GB (64-bit)."},
      {1603, false, L""},
  };
  Windows(6, 1, kWorkstation);  // Windows 7 without a service pack: the 4 line, whatever is asked
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exitCode);
    Reset();
    processes.shell = {Exits(c.exitCode)};
    DotNetFrameworkInstaller installer(log, machine, links, logs);
    EXPECT_EQ(c.ok, InWork(installer).InstallDotNet4(L"4.7.2"));
    EXPECT_EQ(std::wstring(c.errorText), installer.errorText);
    EXPECT_EQ(c.exitCode == 3010, log.Has(L"4.7.2 installed. Reboot required."));
    EXPECT_TRUE(Fetched(VendorLink::DotNet4Web));
    EXPECT_EQ(Shell(Work(L"dotNetFx40_full_setup.exe"), L"/q /lcid 1033 /norestart"), processes.calls.at(0));
  }
}

TEST_F(InstallersTest, DotNet4DownloadsNothingWhenPresentOrWhenARebootIsPending) {
  FakeRegistry installed;
  installed.PutDword(kHklm, kBit32, L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", L"Install", 1);
  platform::Platform withNet4 = With(installed);
  EnvironmentOverride reboot(L"ZEM-REBOOT-REQUIRED", L"TRUE");
  Windows(6, 1, kWorkstation);
  DotNetFrameworkInstaller present(log, withNet4, links, logs), pending(log, machine, links, logs);
  EXPECT_TRUE(present.InstallDotNet4(L"4.7.2"));
  EXPECT_TRUE(pending.InstallDotNet4(L"4.7.2"));
  EXPECT_TRUE(log.Has(L"Reboot required"));
  EXPECT_TRUE(fake.http.calls.empty());
}

TEST_F(InstallersTest, DotNet35ComesFromTheWindowsFeatureToolsWithoutADownload) {
  struct Case {
    DWORD major, minor;
    BYTE type;
    DWORD exitCode;
    std::wstring call;
  } cases[] = {
      {6, 2, kWorkstation, 0, kDism + std::wstring(L"NetFx3 /quiet /norestart] 0x8000000")},
      {6, 3, kServer, 0x800F081F, kDism + std::wstring(L"NetFx3 /quiet /norestart] 0x8000000")},
      {6, 1, kWorkstation, 0, Shell(L"C:\\windows\\system32\\ocsetup.exe", L"NetFx3 /quiet /norestart")},
      {6, 1, kServer, 1003, L"Create [C:\\windows\\system32\\servermanagercmd.exe -install NET-Framework] 0x8000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.call));
    Reset();
    Windows(c.major, c.minor, c.type);
    processes.plain = processes.shell = {Exits(c.exitCode)};
    DotNetFrameworkInstaller installer(log, machine, links, logs);
    EXPECT_EQ(c.exitCode == 0, InWork(installer).InstallDotNet35Sp1());
    EXPECT_EQ(c.exitCode == 0, installer.enabledByWindowsFeature);
    EXPECT_TRUE(processes.Called(c.call)) << Show(processes.calls);
    EXPECT_TRUE(fake.http.calls.empty());
  }
}

TEST_F(InstallersTest, DotNet35WithoutAFeatureToolRunsTheWebInstallerAndChecksAgain) {
  struct Case {
    DWORD exitCode;
    bool installs;
    const wchar_t* errorText;
  } cases[] = {
      {0, true, L""},
      {0, false, L""},
      {5100, false,
       L"This computer does not meet the .NET Framework minimum system requirements. Disk space required is 280 MB "
       L"(32-bit) and 610 MB (64-bit)."},
  };
  Windows(10, 0, kServer);  // Windows Server 2016
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exitCode);
    Reset();
    FakeRegistry registry;
    platform::Platform bundle = With(registry);
    processes.onShellOpen = [&] {
      if (c.installs) registry.PutDword(kHklm, kBit32, kNet35, L"SP", 1);
    };
    processes.shell = {Exits(c.exitCode)};
    DotNetFrameworkInstaller installer(log, bundle, links, logs);
    EXPECT_EQ(c.installs, InWork(installer).InstallDotNet35Sp1());
    EXPECT_EQ(std::wstring(c.errorText), installer.errorText);
    EXPECT_TRUE(Fetched(VendorLink::DotNet35Sp1Web));
    EXPECT_EQ(Shell(Work(L"dotNetFx35setup.exe"), L"/q /lang:enu /norestart"), processes.calls.at(0));
  }
}

TEST_F(InstallersTest, DotNet35OnWindowsXpWithoutTheRasterizerTakesTheFullPackage) {
  Windows(5, 1, kWorkstation, 3, false);
  DotNetFrameworkInstaller installer(log, machine, links, logs);
  InWork(installer).InstallDotNet35Sp1();
  const std::wstring extracted = Work(L"dotnetfx35");
  const std::wstring msi = extracted + L"\\wcu\\dotNetFramework\\dotNetFX30\\RGB9RAST_x86.msi";
  EXPECT_TRUE(Fetched(VendorLink::DotNet35Sp1Full));
  EXPECT_LINES((Lines{Shell(Work(L"dotnetfx35.exe"), L"/q /x:\"" + extracted + L"\""), L"Wait", L"ExitCode",
                      L"CloseChild", Shell(extracted + L"\\wcu\\dotNetFramework\\dotNetFx35setup.exe", L"/q /norestart"),
                      L"Wait", L"ExitCode", L"CloseChild"}),
               processes.calls);
  EXPECT_LINES((Lines{L"QueryProductState {54A4143B-6B4B-4082-B248-643B25561CCB}", L"SetInternalUI 2",
                      L"InstallProduct " + msi + L" [ALLUSERS=1 REBOOT=ReallySuppress]", L"SetInternalUI 5"}),
               fake.installer.calls);
  EXPECT_TRUE(log.Has(L"Installation of " + msi + L" returned 0"));
}

TEST(WindowsInstallerPackageTest, VersionAndNativeArchitectureChooseTheUpdate) {
  constexpr WORD x86 = PROCESSOR_ARCHITECTURE_INTEL, x64 = PROCESSOR_ARCHITECTURE_AMD64;
  struct Case {
    DWORD major, minor;
    WORD architecture;
    const wchar_t* file;  // nullptr: no package
  } cases[] = {
      {5, 1, x86, L"WindowsXP-KB942288-v3-x86.exe"},         {5, 2, x86, L"WindowsServer2003-KB942288-v4-x86.exe"},
      {5, 2, x64, L"WindowsServer2003-KB942288-v4-x64.exe"}, {6, 0, x86, L"Windows6.0-KB942288-v2-x86.msu"},
      {6, 1, x64, L"Windows6.0-KB942288-v2-x64.MSU"},        {5, 1, x64, nullptr},
      {6, 0, PROCESSOR_ARCHITECTURE_IA64, nullptr},          {10, 0, x64, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " arch " << c.architecture);
    auto package = WindowsInstallerComponent::ChoosePackage(FakeSystemQueries::Make(c.major, c.minor, 1), c.architecture);
    EXPECT_EQ(std::wstring(c.file ? c.file : L"none"), package ? package->fileName : L"none");
  }
}

TEST_F(InstallersTest, WindowsInstaller45CountsFrom45AndRunsTheUpdateWithMsiDllUnloaded) {
  struct Case {
    DWORD major, minor, exitCode, minorAfter;
    bool ok;
  } cases[] = {{5, 0, 0, 0, true}, {4, 5, 0, 5, true}, {4, 0, 0, 5, true}, {4, 0, 3010, 0, false}, {4, 6, 0, 6, false}};
  Windows(6, 1, kServer);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " " << c.exitCode);
    Reset();
    fake.installer.versionMajor = c.major;
    fake.installer.versionMinor = c.minor;
    processes.shell = {Exits(c.exitCode)};
    WindowsInstallerComponent component(log, machine, links, logs);
    bool loadedWhileRunning = false;
    processes.onShellOpen = [&] {
      loadedWhileRunning = component.Transactions() != nullptr;
      fake.installer.versionMinor = c.minorAfter;
    };
    EXPECT_EQ(c.ok, InWork(component).InstallWindowsInstaller45());
    const bool present = c.major > 4 || c.minor == 5;
    EXPECT_EQ(!present, Fetched(VendorLink::WindowsInstaller45Windows6X64));
    EXPECT_EQ(!present, processes.Called(Shell(Work(L"Windows6.0-KB942288-v2-x64.MSU"), L"/quiet /norestart")));
    EXPECT_FALSE(loadedWhileRunning);
    EXPECT_NE(nullptr, component.Transactions());
    EXPECT_EQ(c.exitCode, component.exitCode);
  }
}

TEST_F(InstallersTest, NativeClientIsDownloadedForTheChosenFlavour) {
  struct Case {
    bool is64;
    const wchar_t* installed;  // a product in state 5
    UINT result;
    bool ok;
    SqlClientFlavour chosen;
    const wchar_t* install;  // nullptr: nothing is installed
  } cases[] = {
      {true, L"", 3010, true, Sql2008R2x64, L"[IACCEPTSQLNCLILICENSETERMS=YES]"},
      {false, L"", 1641, true, Sql2008R2x86, L"[IACCEPTSQLNCLILICENSETERMS=YES]"},
      {true, L"{45A8F8FF-ED9B-40B2-B923-94F46FCF6135}", 1603, false, Sql2012x86, L"[]"},  // SQLCMD 2012 x86
      {true, L"{5AA08D9F-3BE3-4A34-B53E-858A1895589E}", 0, false, SqlClientNone, nullptr},  // SQLCMD 2008 R2 x86
      {true, L"{2180B33F-3225-423E-BBC1-7798CFD3CD1F}", 0, true, SqlClientNone, nullptr},   // the client itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.is64 << " " << text::ToUtf8(c.installed));
    Reset();
    fake.installer.states = {{c.installed, 5}};
    fake.installer.installResults[Work(L"sqlncli.msi")] = c.result;
    Windows(6, 1, kServer, 1, c.is64);
    SqlClientInstaller installer(log, machine, links, logs);
    EXPECT_EQ(c.ok, InWork(installer).EnsureSqlNativeClient());
    EXPECT_EQ(c.chosen, installer.chosenFlavour);
    auto link = VendorLinks::SqlNativeClientFor(c.chosen);
    EXPECT_EQ(c.install != nullptr, link && Fetched(*link));
    EXPECT_EQ(c.install ? Lines{L"InstallProduct " + Work(L"sqlncli.msi") + L" " + c.install} : Lines{},
              fake.installer.CallsStartingWith(L"InstallProduct"));
    EXPECT_EQ(c.install ? c.result : (c.ok ? 0u : 2u), installer.exitCode);
  }
}

TEST_F(InstallersTest, AspNet4IsEnabledByTheToolOfTheIisVersion) {
  struct Case {
    DWORD iis;  // 0: no IIS
    bool is64;
    DWORD exitCode;
    std::wstring call;
  } cases[] = {
      {7, true, 0, Shell(L"C:\\windows\\Microsoft.NET\\Framework64\\v4.0.30319\\aspnet_regiis.exe", L"-ir -enable")},
      {0, false, 1, Shell(L"C:\\windows\\Microsoft.NET\\Framework\\v4.0.30319\\aspnet_regiis.exe", L"-ir -enable")},
      {10, true, 0, kDism + std::wstring(L"IIS-ASPNET45 /quiet /norestart] 0x8000000")},
      {8, false, 3010, kDism + std::wstring(L"IIS-ASPNET45 /quiet /norestart] 0x8000000")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iis);
    Reset();
    FakeRegistry registry;
    if (c.iis) {
      registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\InetStp", L"PathWWWRoot", L"C:\\inetpub\\wwwroot");
      registry.PutDword(kHklm, kBit32, L"Software\\Microsoft\\InetStp", L"MajorVersion", c.iis);
    }
    platform::Platform bundle = With(registry);
    Windows(6, 1, kServer, 1, c.is64);
    processes.plain = processes.shell = {Exits(c.exitCode)};
    AspNetInstaller installer(log, bundle, logs);
    EXPECT_EQ(c.exitCode, installer.EnableAspNet4());
    EXPECT_TRUE(processes.Called(c.call)) << Show(processes.calls);
  }
}

TEST_F(InstallersTest, TheWindowsFolderIsWindirElseTheSystems) {
  const std::wstring tool = L"\\Microsoft.NET\\Framework\\v4.0.30319\\aspnet_regiis.exe";
  const struct {
    const wchar_t* windir;  // nullptr: not set
    const wchar_t* system;
    std::wstring folder;
  } cases[] = {
      {L"C:\\windows", L"D:\\Other", L"C:\\windows"},
      {nullptr, L"D:\\Win", L"D:\\Win"},
      {nullptr, L"D:\\Win\\", L"D:\\Win"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.folder));
    Reset();
    EnvironmentOverride windir(L"WINDIR", c.windir);
    fake.system.windowsFolder = c.system;
    Windows(6, 1, kServer, 1, false);
    AspNetInstaller installer(log, machine, logs);  // no IIS: the aspnet_regiis route
    installer.EnableAspNet4();
    EXPECT_TRUE(processes.Called(Shell(c.folder + tool, L"-ir -enable"))) << Show(processes.calls);
  }
}

TEST_F(InstallersTest, AConfigVariableOverridesItsLinkAndGivesItsSha256) {
  const std::wstring path = scratch + L"\\VariablesList.xml";
  const std::wstring digest(64, L'E');  // not the fake body's
  std::ofstream(path.c_str())
      << "<VariablesList><ConfigVariable Name=\"{CultureName}\" value=\"en-US\"/>"
         "<ConfigVariable Name=\"{DotNet472WebInstallerUrl}\" value=\"http://mirror.local/ndp472.exe\"/>"
         "<ConfigVariable Name=\"{DotNet472WebInstallerUrlSha256}\" value=\" " << text::ToUtf8(digest) << " \"/>"
         "<Group><ConfigVariable Name=\"{SqlCmdLnUtils2012X64Url}\" value=\" http://mirror.local/cmd.msi \"/></Group>"
         "<ConfigVariable Name=\"{DotNet4WebInstallerUrl}\" value=\"\"/></VariablesList>";
  PropertyMap properties;
  const ReadContext values{log, properties};
  const VendorLinks mirrored(values, path), missing(values, scratch + L"\\absent.xml");
  for (const VendorLinkInfo& info : VendorLinkTable()) {
    SCOPED_TRACE(text::ToUtf8(info.variable));
    const std::wstring expected = info.link == VendorLink::DotNet472Web           ? L"http://mirror.local/ndp472.exe"
                                  : info.link == VendorLink::SqlCmdLnUtils2012X64 ? L"http://mirror.local/cmd.msi"
                                                                                  : info.defaultUrl;
    EXPECT_EQ(expected, mirrored.Url(info.link));
    EXPECT_EQ(info.link == VendorLink::DotNet472Web ? digest : L"", mirrored.Sha256(info.link));
    // Only what the list itself names with a value is laid out; an empty value names nothing.
    EXPECT_EQ(expected != info.defaultUrl, mirrored.Listed(info.link));
    EXPECT_FALSE(missing.Listed(info.link));
    EXPECT_EQ(std::wstring(info.defaultUrl), missing.Url(info.link));
    EXPECT_EQ(L"", missing.Sha256(info.link));
  }
  Windows(10, 0, kWorkstation);
  DotNetFrameworkInstaller installer(log, machine, mirrored, logs);
  InWork(installer).InstallDotNet4(L"4.7.2");
  EXPECT_EQ(L"CrackUrl http://mirror.local/ndp472.exe", fake.http.calls.at(1));
  // The digest reaches the download: the fake's body is not that file, so nothing runs.
  EXPECT_EQ(static_cast<uint32_t>(ERROR_INVALID_DATA), installer.exitCode);
  EXPECT_TRUE(processes.calls.empty()) << Show(processes.calls);
}

// One folder per link keeps apart the many "sqlncli.msi"; a file counts only for a link the list
// names with that URL.
TEST_F(InstallersTest, ALocalCopyIsThatOfALinkTheListNamesWhenItsFileIsThere) {
  const std::wstring path = scratch + L"\\VariablesList.xml", copies = scratch + L"\\Prerequisites";
  std::ofstream(path.c_str())
      << "<VariablesList><ConfigVariable Name=\"{DotNet472WebInstallerUrl}\" value=\"http://mirror.local/ndp472.exe\"/>"
         "<ConfigVariable Name=\"{SqlNativeClient2012X64Url}\" value=\"http://mirror.local/sqlncli.msi\"/>"
         "<ConfigVariable Name=\"{DotNet45WebInstallerUrl}\" value=\"\"/></VariablesList>";
  const auto copyOf = [&](VendorLink link) {
    return VendorLinks::LocalCopyPath(copies, VendorLinkTable()[static_cast<size_t>(link)]);
  };
  ASSERT_EQ(copies + L"\\SqlNativeClient2012X64Url\\sqlncli.msi", copyOf(VendorLink::SqlNativeClient2012X64));
  ASSERT_TRUE(CreateDirectoryW(copies.c_str(), nullptr));
  for (VendorLink link : {VendorLink::DotNet472Web, VendorLink::DotNet45Web, VendorLink::DotNet4Web}) {
    const std::wstring file = copyOf(link);
    ASSERT_TRUE(CreateDirectoryW(file.substr(0, file.rfind(L'\\')).c_str(), nullptr));
    std::ofstream(file.c_str()) << "copy";
  }
  PropertyMap properties;
  const VendorLinks laid({log, properties}, path, copies), notLaid({log, properties}, path);
  const struct {
    std::wstring url;
    std::wstring copy;
  } rows[] = {
      {L"http://mirror.local/ndp472.exe", copyOf(VendorLink::DotNet472Web)},
      {L"http://mirror.local/sqlncli.msi", L""},  // named, but not laid out
      {links.Url(VendorLink::DotNet45Web), L""},  // an empty value names nothing
      {links.Url(VendorLink::DotNet4Web), L""},   // a file the list does not name
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.url));
    EXPECT_EQ(row.copy, laid.LocalCopy(row.url));
    EXPECT_EQ(L"", notLaid.LocalCopy(row.url));
  }
}

TEST(VendorLinkTableTest, FlavoursTwoToSevenNameTheirGenerationAndBitness) {
  for (int flavour = 1; flavour <= 8; ++flavour) {
    SCOPED_TRACE(flavour);
    auto client = VendorLinks::SqlNativeClientFor(flavour);
    auto sqlCmd = VendorLinks::SqlCmdLnUtilsFor(flavour);
    ASSERT_EQ(flavour >= 2 && flavour <= 7, client.has_value() && sqlCmd.has_value());
    if (!client) continue;
    const std::wstring suffix = std::wstring(flavour <= 3 ? L"2008X" : flavour <= 5 ? L"2008R2X" : L"2012X") +
                                (flavour % 2 == 0 ? L"86Url}" : L"64Url}");
    EXPECT_EQ(L"{SqlNativeClient" + suffix, VendorLinkTable()[static_cast<size_t>(*client)].variable);
    EXPECT_EQ(L"{SqlCmdLnUtils" + suffix, VendorLinkTable()[static_cast<size_t>(*sqlCmd)].variable);
  }
}

}  // namespace
