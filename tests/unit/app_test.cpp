// The application object on top of the fakes: start-up in order, the run's outcome and exit.
#include "app/app.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <thread>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "fakes/fake_platform.h"
#include "fixtures.h"
#include "platform/machine_lock.h"
#include "platform/text.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }



// The texts of the log's lines, without their timestamps ("m\d\y h:m:s ").
std::vector<std::wstring> LogTexts(const std::wstring& path) {
  std::wstring all = text::FromUtf8(test_files::ReadShared(path));
  std::vector<std::wstring> lines;
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find(L"\r\n", at);
    if (end == std::wstring::npos) end = all.size();
    std::wstring line = all.substr(at, end - at);
    size_t first = line.find(L' ');
    size_t second = first == std::wstring::npos ? first : line.find(L' ', first + 1);
    lines.push_back(second == std::wstring::npos ? line : line.substr(second + 1));
    at = end + 2;
  }
  return lines;
}

ptrdiff_t IndexOf(const std::vector<std::wstring>& lines, const std::wstring& line) {
  auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? -1 : it - lines.begin();
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) { return IndexOf(lines, line) >= 0; }

const std::wstring kGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}";
const std::wstring kOldGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C300}";
const std::wstring kOtherGuid = L"{5D0C3F00-1111-4A71-9B20-7E8F10A2C399}";

struct ProductEntry {
  std::wstring shortName, guid, oldGuid, qv, root, platform, resources;
};
ProductEntry Rizod() { return {L"Rizod", kGuid, kOldGuid, L"Orvanta\\Rizod", L"Orvanta", L"OP", L"Rizodresources.dll"}; }
ProductEntry Tools() { return {L"RizodTools", kOtherGuid, L"", L"Orvanta\\Tools", L"Orvanta", L"OP", L"Rizodresources.dll"}; }

// Each test gets its own folder, standing in for the system drive and the setup folder.
class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path().substr(0, scratch_.path().size() - 1);
    setup_ = scratch_.MakeFolder(L"setup") + L"\\";
    scratch_.CopyBuilt(L"setup_en-US.dll", L"setup\\setup_en-US.dll");
  }
  void TearDown() override { app_.reset(); }  // closes the log before its folder goes

  CCommonBootstrapperApp& Make() {
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_->bundle, AppEnvironment{setup_, {}});
    return *app_;
  }
  CCommonBootstrapperApp& Start(std::vector<std::wstring> args) {
    app_.reset();
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_->bundle, AppEnvironment{setup_, std::move(args)});
    EXPECT_FALSE(app_->InitInstance());
    return *app_;
  }
  // A fresh machine and no application, for the next row of a table.
  void Fresh() {
    app_.reset();
    fake_ = std::make_unique<FakePlatform>();
  }
  void WriteDefinition(const std::vector<ProductEntry>& products) {
    std::ofstream out((setup_ + L"Products.xml").c_str(), std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Setup>\n  <Products>\n";
    for (const ProductEntry& p : products) {
      out << "    <Product ShortName=\"" << text::ToUtf8(p.shortName) << "\" GUID=\"" << text::ToUtf8(p.guid)
          << "\" OldGUID=\"" << text::ToUtf8(p.oldGuid) << "\" QVDirectory=\"" << text::ToUtf8(p.qv)
          << "\" RootDirectory=\"" << text::ToUtf8(p.root) << "\" Platform=\"" << text::ToUtf8(p.platform)
          << "\" Resources=\"" << text::ToUtf8(p.resources) << "\">\n"
          << "      <PackageFileGroup><PackageFile><ShortName>" << text::ToUtf8(p.shortName)
          << "</ShortName><Location>[WORKINGDIRECTORY]\\Packages\\" << text::ToUtf8(p.shortName)
          << ".msi</Location></PackageFile></PackageFileGroup>\n    </Product>\n";
    }
    out << "  </Products>\n</Setup>\n";
  }
  std::wstring LogFolder() const { return root_ + L"\\Temp\\DEVadirez"; }
  std::wstring LogPath() const { return LogFolder() + L"\\Setup.log"; }
  std::vector<std::wstring> Lines() const { return LogTexts(LogPath()); }

  std::wstring CultureString(UINT id) const {
    HMODULE library = LoadLibraryExW((setup_ + L"setup_en-US.dll").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    std::wstring out;
    Localization::ReadString(library, id, out);
    if (library) FreeLibrary(library);
    return out;
  }

  ScratchFolder scratch_;
  std::wstring root_, setup_;
  EnvironmentOverride drive_{L"SYSTEMDRIVE", scratch_.path().substr(0, scratch_.path().size() - 1)};
  EnvironmentOverride profile_{L"USERPROFILE", scratch_.path() + L"profiles\\me"};
  EnvironmentOverride productName_{L"setup_productname", L"before"};
  std::unique_ptr<FakePlatform> fake_ = std::make_unique<FakePlatform>();
  std::unique_ptr<CCommonBootstrapperApp> app_;
};

std::string Describe(const std::vector<std::wstring>& args) {
  std::string s;
  for (const auto& a : args) s += text::ToUtf8(a) + " ";
  return s;
}

TEST_F(AppTest, AdministratorTest) {
  const struct {
    bool processAdmin, linkedAdmin;
    DWORD major;
    bool admin, linkedAsked;
  } rows[] = {
      {true, false, 6, true, false},  {true, true, 5, true, false},  {false, true, 6, true, true},
      {false, true, 10, true, true},  {false, true, 5, false, false}, {false, false, 6, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.processAdmin << row.linkedAdmin << " major " << row.major);
    fake_->security.processAdmin = row.processAdmin;
    fake_->security.linkedAdmin = row.linkedAdmin;
    fake_->security.linkedTokenQueries = 0;
    EXPECT_EQ(Make().IsAdministrator(row.major), row.admin);
    EXPECT_EQ(fake_->security.linkedTokenQueries > 0, row.linkedAsked);
  }
}

TEST_F(AppTest, NonAdministratorEndsWithFiveAndTheCultureMessage) {
  const std::wstring message = CultureString(50105);
  ASSERT_FALSE(message.empty());
  const struct {
    std::vector<std::wstring> args;
    bool linkedAdmin;
    DWORD major;
    int exitCode;
    size_t boxes;
  } rows[] = {
      {{L"/q"}, false, 10, 5, 0},
      {{}, false, 10, 5, 1},
      {{}, true, 5, 5, 1},  // the linked token does not count before Vista
      {{L"/q"}, true, 6, 1619, 0},  // silent: the missing definition that follows shows no box either
      {{L"/passive"}, false, 10, 5, 0},  // passive: no box waits for anyone
      {{L"/passive"}, true, 6, 1619, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.args.size() << " linked " << row.linkedAdmin << " major " << row.major);
    fake_->security.processAdmin = false;
    fake_->security.linkedAdmin = row.linkedAdmin;
    fake_->system.version = FakeSystemQueries::Make(row.major, 1, 1);
    fake_->prompts.asked.clear();
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.ExitInstance(), row.exitCode);
    const bool refused = row.exitCode == 5;
    EXPECT_EQ(Contains(Lines(), message), refused);
    EXPECT_EQ(app.Properties().Has(L"OS"), !refused);  // the machine is probed only for an administrator
    ASSERT_EQ(fake_->prompts.asked.size(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(fake_->prompts.asked[0].text, message);
      EXPECT_EQ(fake_->prompts.asked[0].caption, L"");
      EXPECT_EQ(fake_->prompts.asked[0].type, static_cast<UINT>(MB_OK));
    }
  }
}

TEST_F(AppTest, SystemAccountTest) {
  using Step = platform::MembershipAnswer::Step;
  const struct {
    platform::MembershipAnswer answer;
    bool system;
    const wchar_t* line;
  } rows[] = {
      {{Step::Ok, true, 0}, true, L"Running as a system account"},
      {{Step::Ok, false, 0}, false, L"Not running as a system account"},
      {{Step::SidFailed, true, 1337}, false, L"Converting to SID failed with error code 1337"},
      {{Step::CheckFailed, true, 87}, false, L"CheckTokenMembership failed with error code 87"},
  };
  const std::vector<std::wstring> all = {L"Running as a system account", L"Not running as a system account"};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.answer.error << " " << row.answer.member);
    fake_->security.systemAccount = row.answer;
    CCommonBootstrapperApp& app = Start({});
    EXPECT_EQ(app.SystemAccount(), row.system);
    std::vector<std::wstring> lines = Lines();
    EXPECT_TRUE(Contains(lines, row.line));
    for (const std::wstring& other : all) {
      if (other != row.line) {
        EXPECT_FALSE(Contains(lines, other)) << text::ToUtf8(other);
      }
    }
  }
}

TEST_F(AppTest, SilenceForcing) {
  const auto win7 = FakeSystemQueries::Make(6, 1, 1);
  const auto xp = FakeSystemQueries::Make(5, 1, 1);
  const auto server2003 = FakeSystemQueries::Make(5, 2, 3);
  const auto homeServer = FakeSystemQueries::Make(5, 2, 3, 0x8000);
  const struct {
    DWORD session;
    platform::OsVersion version;
    bool system;
    std::vector<std::wstring> args;
    bool silent, forced;
  } rows[] = {
      {0, win7, false, {L"/upgrade"}, true, true},
      {0, win7, false, {L"/r"}, true, true},
      {0, win7, false, {}, true, true},  // an install too: nobody could answer its wizard
      {0, win7, false, {L"/u"}, true, true},
      {0, win7, false, {L"/passive"}, true, true},
      {0, xp, false, {L"/upgrade"}, false, false},
      {0, xp, true, {L"/upgrade"}, true, true},
      {0, server2003, false, {L"/r"}, false, false},
      {0, homeServer, false, {L"/r"}, true, true},  // not one of the four old systems
      {1, win7, true, {L"/r"}, true, true},
      {1, win7, true, {L"/u"}, true, true},
      {1, win7, false, {L"/upgrade"}, false, false},
      {0, win7, false, {L"/q", L"/upgrade"}, true, false},
      {1, win7, true, {L"/r", L"/q"}, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "session " << row.session << " os " << row.version.major << "."
                                    << row.version.minor << " system " << row.system << " args "
                                    << (row.args.empty() ? "" : text::ToUtf8(row.args[0])));
    fake_->security.session = row.session;
    fake_->security.systemAccount = {platform::MembershipAnswer::Step::Ok, row.system, 0};
    fake_->system.version = row.version;
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.Silent(), row.silent);
    EXPECT_EQ(app.SilenceForced(), row.forced);
  }
}

TEST_F(AppTest, CanadianProductCultureAddsCanadaPropertyOnce) {
  const struct {
    const wchar_t* productCulture;
    const wchar_t* extra;
  } rows[] = {{L"en-CA", L" CANADA=1 "}, {L"EN-ca", L" CANADA=1 "}, {L"en-US", L""}, {L"fr-CA", L""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.productCulture));
    std::ofstream((setup_ + L"ZIVaroradaZadu.xml").c_str(), std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Configuration>\n"
        << "  <ConfigVariable Name=\"{CultureName}\" value=\"en-US\"/>\n"
        << "  <ConfigVariable Name=\"{ProductCultureName}\" value=\"" << text::ToUtf8(row.productCulture)
        << "\"/>\n</Configuration>\n";
    CCommonBootstrapperApp& app = Start({});
    ASSERT_NE(app.GetLocalization(), nullptr);
    EXPECT_TRUE(app.GetLocalization()->Loaded());
    EXPECT_EQ(app.ExtraInstallProperties(), row.extra);
  }
}

TEST_F(AppTest, ExitLogsDumpsMaskedAndCopiesTheLog) {
  const std::string secret = "Tr0ub4dorSecret";
  // A repair of an absent product: no mode, so the copy's name has no mode word.
  ProductEntry product = Rizod();
  product.shortName = L"QVS";
  WriteDefinition({product});
  CCommonBootstrapperApp& app = Start({L"/r", L"VUROVIZO_PASSWORD=" + text::FromUtf8(secret)});
  app.SetSetupResultCode(1603);
  EXPECT_EQ(app.LogFolder(), LogFolder());
  EXPECT_EQ(app.ExitInstance(), 1603);

  const std::wstring copy = LogFolder() + L"\\QVS_Setup.log";
  std::vector<std::wstring> lines = Lines();
  ptrdiff_t returning = IndexOf(lines, L"Returning 1603");
  ptrdiff_t cmdline = IndexOf(lines, L"[CMDLINE] = /r VUROVIZO_PASSWORD=****** ");
  ptrdiff_t password = IndexOf(lines, L"[PASSWORD] = ******");
  ptrdiff_t copying = IndexOf(lines, L"Copying " + LogPath() + L" to " + copy);
  EXPECT_TRUE(Contains(lines, L"VUROVIZO_PASSWORD=******"));
  ASSERT_GE(returning, 0);
  EXPECT_GT(cmdline, returning);
  EXPECT_GT(password, returning);
  EXPECT_GT(copying, std::max(cmdline, password));
  EXPECT_EQ(copying + 1, static_cast<ptrdiff_t>(std::count_if(lines.begin(), lines.end(),
                                                             [](const std::wstring& l) { return !l.empty(); })));

  ASSERT_TRUE(Exists(copy));
  const std::string log = test_files::ReadShared(LogPath()), copied = test_files::ReadShared(copy);
  EXPECT_FALSE(copied.empty());
  EXPECT_EQ(log.find(secret), std::string::npos);
  EXPECT_EQ(copied.find(secret), std::string::npos);
}

TEST(AppStaticTest, LogCopyName) {
  const struct {
    uint32_t flags;
    const wchar_t* shortName;
    const wchar_t* name;
  } rows[] = {
      {0, L"QVS", L"F\\QVS_Setup.log"},           {2, L"QVS", L"F\\QVS_InstallSetup.log"},
      {4, L"QVS", L"F\\QVS_UninstallSetup.log"},   {8, L"QVS", L"F\\QVS_RepairSetup.log"},
      {16, L"QVS", L"F\\QVS_UpgradeSetup.log"},    {6, L"QVS", L"F\\QVS_InstallSetup.log"},
      {24, L"QVS", L"F\\QVS_RepairSetup.log"},     {1, L"QVS", L"F\\QVS_Setup.log"},
      {4, L"", L"F\\_UninstallSetup.log"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CCommonBootstrapperApp::LogCopyName(L"F", row.shortName, row.flags), row.name) << row.flags;
}

// Another setup holds the machine's run lock: this one logs to a name of its own and touches nothing.
TEST_F(AppTest, SecondSetupStopsWith1618AndLeavesTheFirstOnesLogAlone) {
  WriteDefinition({Rizod()});
  for (bool silent : {true, false}) {
    SCOPED_TRACE(silent);
    Fresh();
    CreateDirectoryW((root_ + L"\\Temp").c_str(), nullptr);
    CreateDirectoryW(LogFolder().c_str(), nullptr);
    std::ofstream(LogPath().c_str(), std::ios::binary) << "the running setup's log\r\n";
    std::promise<void> taken, done;
    std::thread holder([&] {
      platform::MachineLock lock(L"Global\\ZEM_SetupBootstrapper_Running");
      EXPECT_TRUE(lock.Held());
      taken.set_value();
      done.get_future().wait();
    });
    taken.get_future().wait();
    CCommonBootstrapperApp& app = Start(silent ? std::vector<std::wstring>{L"/q"} : std::vector<std::wstring>{});
    EXPECT_EQ(app.ExitInstance(), 1618);
    done.set_value();
    holder.join();

    EXPECT_EQ(test_files::ReadShared(LogPath()), "the running setup's log\r\n");
    const std::wstring own = text::Format(L"%s\\Setup_%u.log", LogFolder(), GetCurrentProcessId());
    const std::vector<std::wstring> lines = LogTexts(own);
    EXPECT_TRUE(Contains(lines, L"Another setup is running on this computer; this one stops without changing anything."));
    EXPECT_TRUE(Contains(lines, L"Returning 1618"));
    EXPECT_TRUE(fake_->installer.calls.empty());
    EXPECT_EQ(fake_->prompts.asked.size(), silent ? 0u : 1u);
    DeleteFileW(own.c_str());
  }
  // Released again: the next setup runs.
  Fresh();
  EXPECT_NE(Start({L"/q"}).ExitInstance(), 1618);
}

// The setup that starts its restart copy holds the lock until it has ended: the copy, started with
// "/restart", waits for the lock (a bounded time) where any other setup stops at once.
TEST_F(AppTest, ARestartCopyWaitsForTheSetupThatStartedIt) {
  WriteDefinition({Rizod()});
  std::promise<void> taken;
  std::thread holder([&] {
    platform::MachineLock lock(L"Global\\ZEM_SetupBootstrapper_Running");
    EXPECT_TRUE(lock.Held());
    taken.set_value();
    Sleep(500);
  });
  taken.get_future().wait();
  CCommonBootstrapperApp& app = Start({L"/restart", L"/q"});
  holder.join();
  const int code = app.ExitInstance();
  EXPECT_NE(code, 1618);
  EXPECT_TRUE(Contains(Lines(), text::Format(L"Returning %d", code))) << "the copy ran in the setup's own log";

  // A holder that does not let go within the wait still stops the waiting one.
  std::promise<void> held, release;
  std::thread keeper([&] {
    platform::MachineLock lock(L"Global\\ZEM_SetupBootstrapper_Running");
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  platform::MachineLock waiting(L"Global\\ZEM_SetupBootstrapper_Running", 200);
  EXPECT_FALSE(waiting.Held());
  EXPECT_EQ(waiting.Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  release.set_value();
  keeper.join();
}

// Any user may create a global name first: a lock made by someone other than an administrator or
// the system does not keep the setup from running, and the log names who made it.
TEST_F(AppTest, ALockSquattedByAnotherUserIsNotHonoured) {
  WriteDefinition({Rizod()});
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BUD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  platform::UniqueHandle squatted(CreateMutexW(&attributes, TRUE, L"Global\\ZEM_SetupBootstrapper_Running"));
  LocalFree(descriptor);
  ASSERT_TRUE(squatted);
  ASSERT_EQ(L"S-1-5-32-545", platform::ForeignOwner(squatted.get())) << "the system kept the owner given";

  const int code = Start({L"/q"}).ExitInstance();
  EXPECT_NE(code, 1618);
  EXPECT_TRUE(Contains(Lines(), L"The one-setup lock Global\\ZEM_SetupBootstrapper_Running was made by another user "
                                L"(S-1-5-32-545), who could keep every setup from running; it is not honoured."));
}

TEST(PlatformKindTest, FromThePlatformText) {
  const std::pair<const wchar_t*, PlatformKind> rows[] = {
      {L"OP", PlatformKind::OnPremises}, {L"op", PlatformKind::OnPremises}, {L"SaaS", PlatformKind::Online},
      {L"", PlatformKind::Online},       {L"Foundation", PlatformKind::Foundation}, {L"other", PlatformKind::Other}};
  for (const auto& [platformText, kind] : rows) EXPECT_EQ(PlatformKindOf(platformText), kind) << text::ToUtf8(platformText);
}

TEST_F(AppTest, ResultTextSpecialCodes) {
  CCommonBootstrapperApp& app = Make();
  EXPECT_EQ(app.ResultText(103011),
            L"Installation of Windows Installer 4.5 prerequisite requires a restart of the installation program.");
  app.SetRebootPrerequisiteName(L"Windows Installer 4.5");
  EXPECT_EQ(app.ResultText(103010), L"Installation of Windows Installer 4.5 requires a reboot of your computer.");
  EXPECT_EQ(app.ResultText(50000), L"Dependency not met.");
  EXPECT_EQ(app.ResultText(2), L"Dependency not met.");  // an ordinary code keeps what is there
}

TEST_F(AppTest, ResultTextSystemMessageIsCachedOnce) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  ASSERT_GT(n, 0u);
  std::wstring system(buffer, n);
  LocalFree(buffer);
  const std::wstring firstLine = system.substr(0, system.find(L'\r'));
  ASSERT_FALSE(firstLine.empty());

  CCommonBootstrapperApp& app = Make();
  EXPECT_EQ(app.ResultText(ERROR_FILE_NOT_FOUND), firstLine);
  EXPECT_EQ(app.ResultText(ERROR_ACCESS_DENIED), firstLine);
  EXPECT_EQ(Make().ResultText(0x2FFFFFFF), L"The requested operation is invalid.");
}

TEST_F(AppTest, SoloProductAndFirstProductFields) {
  const struct {
    std::vector<ProductEntry> products;
    const wchar_t* solo;
  } rows[] = {{{Rizod()}, L"True"}, {{Rizod(), Tools()}, L"False"}, {{Rizod(), Tools(), Tools()}, L"False"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.products.size());
    Fresh();
    WriteDefinition(row.products);
    CCommonBootstrapperApp& app = Start({});
    EXPECT_EQ(app.Products().size(), row.products.size());
    EXPECT_EQ(app.Properties().Get(L"SoloProduct"), row.solo);
    EXPECT_EQ(app.SoloProduct(), row.products.size() == 1);
    EXPECT_EQ(app.ShortName(), L"Rizod");
    EXPECT_EQ(app.GUID(), kGuid);
    EXPECT_EQ(app.OldGUID(), kOldGuid);
    EXPECT_EQ(app.QVDirectory(), L"Orvanta\\Rizod");
    EXPECT_EQ(app.Resources(), L"Rizodresources.dll");
    EXPECT_EQ(app.PlatformKind(), PlatformKind::OnPremises);
  }
}

// An empty product list fails the catalog, which ends start-up before any mode is chosen.
TEST_F(AppTest, EmptyProductListEndsStartUp) {
  WriteDefinition({});
  CCommonBootstrapperApp& app = Start({L"/q"});
  EXPECT_TRUE(app.Products().empty());
  for (const std::wstring& line : Lines()) EXPECT_FALSE(text::EndsWithNoCase(line, L" mode detected")) << text::ToUtf8(line);
  EXPECT_FALSE(app.Properties().Has(L"SoloProduct"));
  EXPECT_FALSE(app.Properties().Has(L"Mode"));
  EXPECT_TRUE(fake_->installer.calls.empty());
  EXPECT_EQ(app.ModeFlags(), mode::Default);
  EXPECT_EQ(app.ExitInstance(), 1620);
  EXPECT_TRUE(Exists(LogFolder() + L"\\_Setup.log"));
}

// The folder the command line names stands unless mode detection decides one, and the
// run's processor decides whether the 64-bit Program Files is refused.
TEST_F(AppTest, InstallDirectoryOfTheRun) {
  const std::wstring pf = root_ + L"\\Program Files (x86)";
  const struct {
    bool installed;
    std::vector<std::wstring> args;
    std::wstring directory;
  } rows[] = {
      {true, {L"/r", L"TARGETDIR=X:\\Mine"}, L"D:\\Apps\\Orvanta\\Rizod"},
      {false, {L"TARGETDIR=X:\\Mine"}, L"X:\\Mine"},
      {false, {L"/r", L"INSTALLLOCATION=X:\\Mine"}, L"X:\\Mine"},
      {false, {L"/upgrade"}, pf + L"\\Orvanta\\Rizod"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Describe(row.args));
    Fresh();
    WriteDefinition({Rizod()});
    fake_->system.programFiles = pf;
    if (row.installed) fake_->installer.states[kGuid] = 5;
    fake_->installer.installLocations[kGuid] = L"D:\\Apps\\";
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.InstallDirectory(), row.directory);
    EXPECT_EQ(app.Properties().Get(L"[INSTALLDIRECTORY]"), row.directory);
  }
  const std::wstring native = scratch_.MakeFolder(L"Program Files\\App");
  for (bool is64 : {true, false}) {
    Fresh();
    fake_->system.is64 = is64;
    fake_->system.programFiles = pf;
    CCommonBootstrapperApp& app = Start({});
    EXPECT_EQ(app.Properties().Get(L"Processor"), is64 ? L"x64" : L"x86");
    EXPECT_EQ(app.ValidateInstallPath(native), !is64);
  }
}

// The silent driver on top of the same start-up: which branch runs, with what, and the outcome.
class SilentRunTest : public AppTest {
 protected:
  static constexpr wchar_t kPackage[] = L"{9E9E9E9E-0000-4000-8000-000000000001}";
  void SetUp() override {
    AppTest::SetUp();
    std::ofstream((setup_ + L"Products.xml").c_str(), std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<Setup><Product ShortName=\"Rizod\" GUID=\"" << text::ToUtf8(kGuid)
        << "\" QVDirectory=\"Orvanta\\Rizod\" RootDirectory=\"Orvanta\" Platform=\"OP\">"
        << "<PackageFileGroup><PackageFile><ShortName>Rizod</ShortName><Name>Rizod Server</Name>"
        << "<GUID>" << text::ToUtf8(kPackage) << "</GUID>"
        << "<Location>[WORKINGDIRECTORY]\\Rizod.msi</Location><InstallOrder>1</InstallOrder>"
        << "<UninstallOrder>1</UninstallOrder></PackageFile></PackageFileGroup>"
        << "<Finalize><ExecuteCommandGroup><ExecuteCommand><Order>1</Order><Command>note.exe</Command>"
        << "<Arguments>done</Arguments></ExecuteCommand></ExecuteCommandGroup></Finalize></Product></Setup>\n";
  }
  std::vector<std::wstring> Installs() const { return fake_->installer.CallsStartingWith(L"InstallProduct "); }
};

TEST_F(SilentRunTest, InstallRunsTheSequenceWithoutInstallerWindowsAndReportsSuccess) {
  CCommonBootstrapperApp& app = Start({L"/q", L"COMPANY=Orvanta Inc"});
  EXPECT_EQ(app.ExitInstance(), 0);
  const auto& calls = fake_->installer.calls;
  auto ui = std::find(calls.begin(), calls.end(), L"SetInternalUI 2");
  auto install = std::find_if(calls.begin(), calls.end(), [](const std::wstring& c) { return c.rfind(L"InstallProduct", 0) == 0; });
  ASSERT_NE(ui, calls.end());
  ASSERT_NE(install, calls.end());
  EXPECT_LT(ui - calls.begin(), install - calls.begin());  // no package may show a window
  EXPECT_EQ(*install, L"InstallProduct " + setup_ + L"Rizod.msi [COMPANY=\"Orvanta Inc\" ]");
  EXPECT_EQ(app.Properties().Get(L"SetupSuccess"), L"True");
  EXPECT_EQ(app.Properties().Get(L"Silent"), L"True");
  EXPECT_EQ(app.Properties().Get(L"[INSTALLDIRECTORY]"), L"C:\\Program Files (x86)\\Orvanta\\Rizod");
  const auto lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Running in silent mode"), lines.end());
}

TEST_F(SilentRunTest, FailedPackageIsTheExitCodeAndSetupSuccessIsFalse) {
  fake_->installer.installResults[setup_ + L"Rizod.msi"] = 1603;
  CCommonBootstrapperApp& app = Start({L"/q"});
  EXPECT_EQ(app.ExitInstance(), 1603);
  EXPECT_EQ(app.Properties().Get(L"SetupSuccess"), L"False");
  // The failed product's finalize command runs once, whether a branch or the end of the run runs it.
  const auto& calls = fake_->processes.calls;
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ShellOpen [note.exe] [done] hidden"), 1);
  EXPECT_EQ(fake_->installer.CallsStartingWith(L"EndTransaction"), std::vector<std::wstring>{L"EndTransaction 0"});
}

TEST_F(SilentRunTest, UpgradeOnOldSystemsIsRefusedBeforeTheUninstallHalf) {
  const struct {
    platform::OsVersion os;
    bool is64;
    int exitCode;
    size_t installs;
  } rows[] = {
      {FakeSystemQueries::Make(5, 2, 1), true, 1602, 0},   // XP Professional x64
      {FakeSystemQueries::Make(5, 1, 1), false, 1602, 0},  // XP
      {FakeSystemQueries::Make(6, 0, 1), true, 1602, 0},   // Vista
      {FakeSystemQueries::Make(5, 2, 3), false, 1602, 0},  // Server 2003
      {FakeSystemQueries::Make(10, 0, 1), true, 0, 1},     // Windows 10: the install half runs
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.os.major << "." << row.os.minor << " type " << int(row.os.productType));
    Fresh();
    fake_->system.version = row.os;
    fake_->system.is64 = row.is64;
    CCommonBootstrapperApp& app = Start({L"/upgrade", L"/q"});
    EXPECT_EQ(app.ExitInstance(), row.exitCode);
    ASSERT_EQ(Installs().size(), row.installs);
    // Refused: no transaction was opened, so nothing of the installed release was touched.
    EXPECT_EQ(fake_->installer.CallsStartingWith(L"BeginTransaction").empty(), row.installs == 0);
    if (row.installs) {
      EXPECT_NE(Installs()[0].find(L"[ UPGRADE=1]"), std::wstring::npos) << text::ToUtf8(Installs()[0]);
    }
    EXPECT_EQ(app.Properties().Get(L"[SERVER_NAME]"), fake_->system.computerName);
  }
}

TEST_F(SilentRunTest, SilentPropertyAndTheBranchOfTheMode) {
  const struct {
    std::vector<std::wstring> args;
    int state;
    const wchar_t* silent;
    int exitCode;
    const wchar_t* setupSuccess;
  } rows[] = {
      {{L"/q"}, -1, L"True", 0, L"True"},                    // install
      {{L"autoupdate"}, -1, L"AutoUpdate", 0, L""},          // upgrade of an absent product: install half
      {{L"/r", L"/q"}, -1, L"True", 0, L"False"},            // no mode: nothing runs, every product failed
      {{L"/r", L"/q"}, 5, L"True", 0, L"True"},               // repair
      {{L"/q"}, 5, L"True", 0, L"True"},                     // uninstall
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Describe(row.args) + " state " + std::to_string(row.state));
    Fresh();
    if (row.state != -1) fake_->installer.states[kGuid] = row.state;
    if (row.state != -1) fake_->installer.states[kPackage] = row.state;
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.ExitInstance(), row.exitCode);
    EXPECT_EQ(app.Properties().Get(L"Silent"), row.silent);
    if (*row.setupSuccess) {
      EXPECT_EQ(app.Properties().Get(L"SetupSuccess"), row.setupSuccess);
    }
  }
}

}  // namespace
