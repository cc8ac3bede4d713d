#include "app/app.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "fakes/fake_platform.h"
#include "platform/text.h"

namespace {

const auto ExeFolder = test_files::ExecutableFolder;
using test_files::RemoveTree;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The texts of the log's lines, without their timestamps ("m\d\y h:m:s ").
std::vector<std::wstring> LogTexts(const std::wstring& path) {
  std::wstring all = text::FromUtf8(ReadBytes(path));
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

class EnvironmentOverride {
 public:
  EnvironmentOverride(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    had_ = n > 0 && n < 32768;
    if (had_) old_.assign(buffer, n);
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~EnvironmentOverride() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::wstring old_;
  bool had_ = false;
};

// Each test gets its own folder, standing in for the system drive and the setup folder.
class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = text::Format(L"%sapp_test_%u_%d", std::wstring(temp), GetCurrentProcessId(), ++counter);
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    setup_ = root_ + L"\\setup\\";
    ASSERT_TRUE(CreateDirectoryW(setup_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"setup_en-US.dll").c_str(), (setup_ + L"setup_en-US.dll").c_str(), FALSE));
    drive_ = std::make_unique<EnvironmentOverride>(L"SYSTEMDRIVE", root_);
    profile_ = std::make_unique<EnvironmentOverride>(L"USERPROFILE", root_ + L"\\profiles\\me");
  }
  void TearDown() override {
    app_.reset();  // closes the log before its folder goes
    drive_.reset();
    profile_.reset();
    RemoveTree(root_);
  }

  CCommonBootstrapperApp& Make() {
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_.bundle, AppEnvironment{setup_, {}});
    return *app_;
  }
  CCommonBootstrapperApp& Start(std::vector<std::wstring> args) {
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_.bundle, AppEnvironment{setup_, std::move(args)});
    EXPECT_FALSE(app_->InitInstance());
    return *app_;
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
  std::wstring MakeDir(const std::wstring& relative) const {
    std::wstring path = root_;
    for (size_t at = 0; at <= relative.size();) {
      size_t end = relative.find(L'\\', at);
      if (end == std::wstring::npos) end = relative.size();
      path += L"\\" + relative.substr(at, end - at);
      CreateDirectoryW(path.c_str(), nullptr);
      at = end + 1;
    }
    return path;
  }

  FakePlatform fake_;
  std::wstring root_, setup_;
  std::unique_ptr<EnvironmentOverride> drive_, profile_;
  std::unique_ptr<CCommonBootstrapperApp> app_;
};

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
    fake_.security.processAdmin = row.processAdmin;
    fake_.security.linkedAdmin = row.linkedAdmin;
    fake_.security.linkedTokenQueries = 0;
    EXPECT_EQ(Make().IsAdministrator(row.major), row.admin);
    EXPECT_EQ(fake_.security.linkedTokenQueries > 0, row.linkedAsked);
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
      {{L"/q"}, true, 6, 0, 0},  // silent: the missing definition that follows shows no box either
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.args.size() << " linked " << row.linkedAdmin << " major " << row.major);
    fake_.security.processAdmin = false;
    fake_.security.linkedAdmin = row.linkedAdmin;
    fake_.system.version = FakeSystemQueries::Make(row.major, 1, 1);
    fake_.prompts.asked.clear();
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.ExitInstance(), row.exitCode);
    const bool refused = row.exitCode == 5;
    EXPECT_EQ(Contains(Lines(), message), refused);
    EXPECT_EQ(app.Properties().Has(L"OS"), !refused);  // the machine is probed only for an administrator
    ASSERT_EQ(fake_.prompts.asked.size(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(fake_.prompts.asked[0].text, message);
      EXPECT_EQ(fake_.prompts.asked[0].caption, L"");
      EXPECT_EQ(fake_.prompts.asked[0].type, static_cast<UINT>(MB_OK));
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
    fake_.security.systemAccount = row.answer;
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
      {0, win7, false, {}, false, false},
      {0, win7, false, {L"/u"}, false, false},
      {0, xp, false, {L"/upgrade"}, false, false},
      {0, xp, true, {L"/upgrade"}, true, true},
      {0, server2003, false, {L"/r"}, false, false},
      {0, homeServer, false, {L"/r"}, true, true},  // not one of the four old systems
      {1, win7, true, {L"/r"}, true, true},
      {1, win7, true, {L"/u"}, false, false},
      {1, win7, false, {L"/upgrade"}, false, false},
      {0, win7, false, {L"/q", L"/upgrade"}, true, false},
      {1, win7, true, {L"/r", L"/q"}, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "session " << row.session << " os " << row.version.major << "."
                                    << row.version.minor << " system " << row.system << " args "
                                    << (row.args.empty() ? "" : text::ToUtf8(row.args[0])));
    fake_.security.session = row.session;
    fake_.security.systemAccount = {platform::MembershipAnswer::Step::Ok, row.system, 0};
    fake_.system.version = row.version;
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
  CCommonBootstrapperApp& app = Start({L"/q", L"VUROVIZO_PASSWORD=" + text::FromUtf8(secret)});
  app.SetFirstProduct(L"OP", L"QVS", L"QV", L"");
  app.SetSetupResultCode(1603);
  EXPECT_EQ(app.LogFolder(), LogFolder());
  EXPECT_EQ(app.ExitInstance(), 1603);

  const std::wstring copy = LogFolder() + L"\\QVS_Setup.log";
  std::vector<std::wstring> lines = Lines();
  ptrdiff_t returning = IndexOf(lines, L"Returning 1603");
  ptrdiff_t cmdline = IndexOf(lines, L"[CMDLINE] = ******");
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
  const std::string log = ReadBytes(LogPath()), copied = ReadBytes(copy);
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

TEST_F(AppTest, PlatformKind) {
  const std::pair<const wchar_t*, int> rows[] = {{L"OP", 1}, {L"op", 1},         {L"SaaS", 2},
                                                 {L"", 2},   {L"Foundation", 3}, {L"other", 0}};
  CCommonBootstrapperApp& app = Make();
  for (const auto& [platformText, kind] : rows) {
    app.SetFirstProduct(platformText, L"QVS", L"QV", L"");
    EXPECT_EQ(app.PlatformKind(), kind) << text::ToUtf8(platformText);
  }
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

class ValidateInstallPathTest : public AppTest {
 protected:
  CCommonBootstrapperApp& StartFor(bool is64) {
    fake_.system.is64 = is64;
    fake_.system.programFiles = root_ + L"\\Program Files (x86)";
    CCommonBootstrapperApp& app = Start({});
    EXPECT_EQ(app.Properties().Get(L"Processor"), is64 ? L"x64" : L"x86");
    return app;
  }
};

TEST_F(ValidateInstallPathTest, PathShape) {
  ASSERT_LT(root_.size(), 120u);
  const std::wstring longest = MakeDir(std::wstring(130 - root_.size() - 1, L'L'));
  ASSERT_EQ(longest.size(), 130u);
  const std::wstring base = MakeDir(L"base");
  CCommonBootstrapperApp& app = StartFor(false);
  const struct {
    std::wstring path;
    bool valid;
  } rows[] = {
      {base, true},
      {longest, true},
      {longest + L"\\", false},  // 131 characters, though the folder exists
      {L" \t" + longest + L"  ", true},
      {L"  " + base + L"\\ ", true},
      {L"\\\\server\\share\\QV", false},
      {L"//server/share", false},
      {L"C", false},
      {L"", false},
      {L"   ", false},
      {L"X:\\Apps", false},
      {root_ + L"\\missing", false},
  };
  for (const auto& row : rows) EXPECT_EQ(app.ValidateInstallPath(row.path), row.valid) << text::ToUtf8(row.path);

  // A relative path names an existing folder but has no drive.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(root_.c_str());
  EXPECT_FALSE(app.ValidateInstallPath(L"base"));
  SetCurrentDirectoryW(current);
}

TEST_F(ValidateInstallPathTest, DriveMustBeFixed) {
  const std::wstring base = MakeDir(L"base");
  const std::wstring root = base.substr(0, 3);
  CCommonBootstrapperApp& app = StartFor(false);
  for (UINT type : {DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM, DRIVE_RAMDISK, DRIVE_NO_ROOT_DIR, DRIVE_FIXED}) {
    fake_.system.driveTypes[root] = type;
    EXPECT_EQ(app.ValidateInstallPath(base), type == DRIVE_FIXED) << type;
  }
}

TEST_F(ValidateInstallPathTest, ProfilesFolderIsRefused) {
  const std::wstring mine = MakeDir(L"profiles\\me\\apps");
  const std::wstring other = MakeDir(L"profiles\\other");
  const std::wstring beside = MakeDir(L"profilesX");
  CCommonBootstrapperApp& app = StartFor(false);
  EXPECT_FALSE(app.ValidateInstallPath(mine));
  EXPECT_FALSE(app.ValidateInstallPath(other));
  EXPECT_FALSE(app.ValidateInstallPath(text::ToLower(other.substr(0, 2)) + other.substr(2)));
  EXPECT_TRUE(app.ValidateInstallPath(beside));
}

TEST_F(ValidateInstallPathTest, SixtyFourBitProgramFilesIsRefusedOnX64) {
  const std::wstring native = MakeDir(L"Program Files\\App");
  const std::wstring x86 = MakeDir(L"Program Files (x86)\\App");
  const std::wstring beside = MakeDir(L"Program Files Data");
  {
    CCommonBootstrapperApp& app = StartFor(true);
    EXPECT_FALSE(app.ValidateInstallPath(native));
    EXPECT_TRUE(app.ValidateInstallPath(x86));
    EXPECT_TRUE(app.ValidateInstallPath(beside));
  }
  CCommonBootstrapperApp& app = StartFor(false);
  EXPECT_TRUE(app.ValidateInstallPath(native));
}

TEST_F(ValidateInstallPathTest, BaseFolderIsCutAtTheLastQvDirectory) {
  const std::wstring base = MakeDir(L"base");
  const std::wstring oneQv = MakeDir(L"oneQV");
  const std::wstring withDummy = MakeDir(L"withDummy\\Dummy");
  CCommonBootstrapperApp& app = StartFor(false);
  const struct {
    const wchar_t* qv;
    std::wstring path;
    bool valid;
  } rows[] = {
      {L"QV", base + L"\\QV", true},
      {L"", base + L"\\QV", false},  // no cut: the whole path must exist
      {L"QV", oneQv + L"\\QV", true},
      {L"QV", root_ + L"\\missing\\QV", false},
      {L"QV", base + L"\\QV\\Sub\\QV", false},
  };
  for (const auto& row : rows) {
    app.SetFirstProduct(L"OP", L"QVS", row.qv, L"");
    EXPECT_EQ(app.ValidateInstallPath(row.path), row.valid) << text::ToUtf8(row.path);
  }
  // An occurrence at the very first character is no cut.
  app.SetFirstProduct(L"OP", L"QVS", base.substr(0, 3), L"");
  EXPECT_TRUE(app.ValidateInstallPath(base));

  // A "Dummy" folder left from before is replaced and removed again.
  app.SetFirstProduct(L"OP", L"QVS", L"", L"");
  EXPECT_TRUE(app.ValidateInstallPath(withDummy.substr(0, withDummy.size() - 6)));
  EXPECT_FALSE(Exists(withDummy));
}

}  // namespace
