#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/localization.h"
#include "core/property_map.h"
#include "fakes/fake_platform.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

const auto ExeFolder = test_files::ExecutableFolder;
using test_files::RemoveTree;

using platform::Hive;
using platform::View;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The log's lines without their "m\d\y h:m:s " stamps.
std::vector<std::wstring> LogTexts(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::wstring all = text::FromUtf8(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
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

// The lines among `lines` that belong to `wanted`, in log order.
std::vector<std::wstring> Only(const std::vector<std::wstring>& lines, bool (*wanted)(const std::wstring&)) {
  std::vector<std::wstring> out;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(out), wanted);
  return out;
}
bool IsModeLine(const std::wstring& l) { return text::EndsWithNoCase(l, L" mode detected"); }
bool IsFamilyLine(const std::wstring& l) {
  return text::EndsWithNoCase(l, L" is installed.") || text::EndsWithNoCase(l, L" is not installed.") ||
         text::StartsWithNoCase(l, L"Unable to open ");
}

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

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

const std::wstring kGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}";
const std::wstring kOldGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C300}";
const std::wstring kOtherGuid = L"{5D0C3F00-1111-4A71-9B20-7E8F10A2C399}";
// Family members as the registry lists them; they sort around the running product's code.
const std::wstring kMember1 = L"{1aaaaaaa-0000-0000-0000-000000000001}";
const std::wstring kMember3 = L"{3ccccccc-0000-0000-0000-000000000003}";
const std::wstring kMember4 = L"{4ddddddd-0000-0000-0000-000000000004}";

struct ProductEntry {
  std::wstring shortName, guid, oldGuid, qv, root, platform, resources;
};
ProductEntry Rizod() { return {L"Rizod", kGuid, kOldGuid, L"Orvanta\\Rizod", L"Orvanta", L"OP", L"Rizodresources.dll"}; }
ProductEntry Tools() { return {L"RizodTools", kOtherGuid, L"", L"Orvanta\\Tools", L"Orvanta", L"OP", L"Rizodresources.dll"}; }

class ModeDetectionTest : public testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = text::Format(L"%smode_test_%u_%d", std::wstring(temp), GetCurrentProcessId(), ++counter);
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    setup_ = root_ + L"\\setup\\";
    ASSERT_TRUE(CreateDirectoryW(setup_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"setup_en-US.dll").c_str(), (setup_ + L"setup_en-US.dll").c_str(), FALSE));
    drive_ = std::make_unique<EnvironmentOverride>(L"SYSTEMDRIVE", root_);
    productName_ = std::make_unique<EnvironmentOverride>(L"setup_productname", L"before");
    fake_ = std::make_unique<FakePlatform>();
    WriteDefinition({Rizod()});
  }
  void TearDown() override {
    app_.reset();  // closes the log before its folder goes
    drive_.reset();
    productName_.reset();
    RemoveTree(root_);
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
  void WriteProductCulture(const std::string& culture) {
    std::ofstream((setup_ + L"VariablesList.xml").c_str(), std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Configuration>\n"
        << "  <ConfigVariable Name=\"{CultureName}\" value=\"en-US\"/>\n"
        << "  <ConfigVariable Name=\"{ProductCultureName}\" value=\"" << culture << "\"/>\n</Configuration>\n";
  }
  // The family key with the given members registered below it.
  void RegisterFamily(const std::wstring& key, const std::vector<std::wstring>& members, View view = View::Bit32) {
    fake_->registry.PutKey(Hive::LocalMachine, view, key);
    for (const std::wstring& member : members) fake_->registry.PutKey(Hive::LocalMachine, view, key + L"\\" + member);
  }

  CCommonBootstrapperApp& Make() {
    app_.reset();
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_->bundle, AppEnvironment{setup_, {}});
    return *app_;
  }
  CCommonBootstrapperApp& Start(std::vector<std::wstring> args) {
    app_.reset();
    app_ = std::make_unique<CCommonBootstrapperApp>(fake_->bundle, AppEnvironment{setup_, std::move(args)});
    EXPECT_FALSE(app_->InitInstance());
    return *app_;
  }
  std::wstring LogFolder() const { return root_ + L"\\Temp\\DEVadirez"; }
  std::vector<std::wstring> Lines() const { return LogTexts(LogFolder() + L"\\Setup.log"); }

  std::wstring root_, setup_;
  std::unique_ptr<EnvironmentOverride> drive_, productName_;
  std::unique_ptr<FakePlatform> fake_;
  std::unique_ptr<CCommonBootstrapperApp> app_;
};

std::string Describe(const std::vector<std::wstring>& args) {
  std::string s;
  for (const auto& a : args) s += text::ToUtf8(a) + " ";
  return s;
}

TEST_F(ModeDetectionTest, ModeFromProductStateAndSwitches) {
  constexpr uint32_t I = mode::Install, U = mode::Uninstall, R = mode::Repair, G = mode::Upgrade;
  const std::wstring current = L"D:\\Apps\\Orvanta\\Rizod";  // "D:\Apps\Orvanta\Rizod\Bin\" cut at the root
  const std::wstring old = L"E:\\Old\\Orvanta\\Rizod";
  const struct {
    std::vector<std::wstring> args;
    bool installed;
    uint32_t flags;
    const wchar_t* modeText;
    std::vector<std::wstring> lines;
    std::wstring directory;
    const wchar_t* logWord;
  } rows[] = {
      {{}, true, U, L"Uninstall", {L"Uninstall mode detected"}, current, L"Uninstall"},
      {{L"/u"}, true, U, L"Uninstall", {L"Uninstall mode detected"}, current, L"Uninstall"},
      {{L"/MODIFY"}, true, U, L"Uninstall", {L"Uninstall mode detected"}, current, L"Uninstall"},
      {{L"/r"}, true, R, L"Repair", {L"Repair mode detected"}, current, L"Repair"},
      {{L"/upgrade"}, true, G, L"Upgrade", {L"Upgrade mode detected"}, current, L"Upgrade"},
      {{L"/r", L"/u"},
       true,
       R | U,
       L"RepairUninstall",
       {L"Repair mode detected", L"Uninstall mode detected"},
       current,
       L"Uninstall"},
      {{L"/u", L"/r"},
       true,
       R | U,
       L"RepairUninstall",
       {L"Repair mode detected", L"Uninstall mode detected"},
       current,
       L"Uninstall"},
      {{L"/r", L"/upgrade"},
       true,
       R | G,
       L"Upgrade",
       {L"Repair mode detected", L"Upgrade mode detected"},
       current,
       L"Repair"},
      {{}, false, I, L"Install", {L"Install mode detected"}, L"", L"Install"},
      {{L"/u"}, false, I, L"Install", {L"Install mode detected"}, L"", L"Install"},
      {{L"/MODIFY"}, false, I, L"Install", {L"Install mode detected"}, L"", L"Install"},
      {{L"/r"}, false, 0, L"", {}, L"", L""},
      {{L"/upgrade"}, false, G, L"Upgrade", {L"Upgrade mode detected"}, old, L"Upgrade"},
      {{L"/r", L"/u"}, false, I, L"Install", {L"Install mode detected"}, L"", L"Install"},
      {{L"/upgrade", L"/u"},
       false,
       G | I,
       L"Install",
       {L"Upgrade mode detected", L"Install mode detected"},
       old,
       L"Install"},
  };
  for (const auto& row : rows) {
    // 2 is "installed for another user"; 1 (advertised) is not installed.
    for (int state : row.installed ? std::vector<int>{5, 2} : std::vector<int>{-1, 1}) {
      SCOPED_TRACE(testing::Message() << "state " << state << " args " << Describe(row.args));
      Fresh();
      if (state != -1) fake_->installer.states[kGuid] = state;
      fake_->installer.installLocations[kGuid] = L"D:\\Apps\\Orvanta\\Rizod\\Bin\\";
      fake_->installer.installLocations[kOldGuid] = L"E:\\Old\\Orvanta\\Legacy\\";
      CCommonBootstrapperApp& app = Start(row.args);

      EXPECT_EQ(app.ModeFlags(), row.flags);
      PropertyMap& p = app.Properties();
      EXPECT_EQ(p.Get(L"Install"), (row.flags & I) ? L"True" : L"False");
      EXPECT_EQ(p.Get(L"Uninstall"), (row.flags & U) ? L"True" : L"False");
      EXPECT_EQ(p.Get(L"Repair"), (row.flags & R) ? L"True" : L"False");
      EXPECT_EQ(p.Get(L"Upgrade"), (row.flags & G) ? L"True" : L"False");
      EXPECT_TRUE(p.Has(L"Mode"));
      EXPECT_EQ(p.Get(L"Mode"), row.modeText);
      EXPECT_EQ(Only(Lines(), IsModeLine), row.lines);
      EXPECT_EQ(app.InstallDirectory(), row.directory);
      EXPECT_EQ(p.Get(L"[INSTALLDIRECTORY]"), row.directory);
      // The family check belongs to uninstall detection only.
      EXPECT_EQ(p.Has(L"Tier1_Installed"), (row.flags & U) != 0);

      const std::wstring copy = LogFolder() + L"\\Rizod_" + row.logWord + L"Setup.log";
      EXPECT_EQ(CCommonBootstrapperApp::LogCopyName(LogFolder(), L"Rizod", app.ModeFlags()), copy);
      EXPECT_EQ(app.ExitInstance(), 0);
      EXPECT_TRUE(Exists(copy)) << text::ToUtf8(copy);
    }
  }
}

TEST_F(ModeDetectionTest, InstallDirectorySource) {
  using Location = std::optional<std::wstring>;
  const std::wstring pf = L"C:\\Program Files (x86)";
  const struct {
    bool installed;
    std::vector<std::wstring> args;
    Location location, oldLocation;
    std::wstring oldGuid, programFiles, directory;
  } rows[] = {
      {true, {}, L"D:\\Apps\\Orvanta\\Rizod\\", std::nullopt, kOldGuid, pf, L"D:\\Apps\\Orvanta\\Rizod"},
      {true, {}, L"D:\\Apps\\", std::nullopt, kOldGuid, pf, L"D:\\Apps\\Orvanta\\Rizod"},
      {true, {}, std::nullopt, L"E:\\Old\\", kOldGuid, pf, pf + L"\\Orvanta\\Rizod"},
      {true, {}, L"", std::nullopt, kOldGuid, pf, pf + L"\\Orvanta\\Rizod"},
      {true, {}, L"", std::nullopt, kOldGuid, L"", L"C:\\Orvanta\\Rizod\\"},
      // The installed product's folder wins over one given on the command line.
      {true, {L"/r", L"TARGETDIR=X:\\Mine"}, L"D:\\Apps\\", std::nullopt, kOldGuid, pf, L"D:\\Apps\\Orvanta\\Rizod"},
      {false, {L"/upgrade"}, std::nullopt, L"E:\\Old\\Orvanta\\Legacy", kOldGuid, pf, L"E:\\Old\\Orvanta\\Rizod"},
      {false, {L"/upgrade"}, std::nullopt, L"", kOldGuid, pf, pf + L"\\Orvanta\\Rizod"},
      {false, {L"/upgrade"}, std::nullopt, std::nullopt, kOldGuid, pf, pf + L"\\Orvanta\\Rizod"},
      {false, {L"/upgrade"}, std::nullopt, std::nullopt, kOldGuid, L"", L"C:\\Orvanta\\Rizod\\"},
      // Without an old product code nothing is asked of Windows Installer, not even for "".
      {false, {L"/upgrade"}, std::nullopt, L"E:\\Old\\", L"", pf, pf + L"\\Orvanta\\Rizod"},
      {false, {}, std::nullopt, L"E:\\Old\\", kOldGuid, pf, L""},
      {false, {L"TARGETDIR=X:\\Mine"}, std::nullopt, L"E:\\Old\\", kOldGuid, pf, L"X:\\Mine"},
      {false, {L"/r", L"INSTALLLOCATION=X:\\Mine"}, std::nullopt, std::nullopt, kOldGuid, pf, L"X:\\Mine"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "installed " << row.installed << " args " << Describe(row.args) << " old "
                                    << text::ToUtf8(row.oldGuid));
    Fresh();
    ProductEntry product = Rizod();
    product.oldGuid = row.oldGuid;
    WriteDefinition({product});
    fake_->system.programFiles = row.programFiles;
    if (row.installed) fake_->installer.states[kGuid] = 5;
    if (row.location) fake_->installer.installLocations[kGuid] = *row.location;
    if (row.oldLocation) fake_->installer.installLocations[FakeWindowsInstaller::Key(row.oldGuid)] = *row.oldLocation;
    CCommonBootstrapperApp& app = Start(row.args);
    EXPECT_EQ(app.InstallDirectory(), row.directory);
    EXPECT_EQ(app.Properties().Get(L"[INSTALLDIRECTORY]"), row.directory);
    const auto& calls = fake_->installer.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"GetProductInfo  InstallLocation"), 0);
  }
}

TEST_F(ModeDetectionTest, SoloProductAndFirstProductFields) {
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
    EXPECT_EQ(app.PlatformKind(), 1);
  }
}

// An empty product list fails the catalog, which ends start-up before any mode is chosen.
TEST_F(ModeDetectionTest, EmptyProductListEndsStartUp) {
  WriteDefinition({});
  CCommonBootstrapperApp& app = Start({L"/q"});
  EXPECT_TRUE(app.Products().empty());
  EXPECT_TRUE(Only(Lines(), IsModeLine).empty());
  EXPECT_FALSE(app.Properties().Has(L"SoloProduct"));
  EXPECT_FALSE(app.Properties().Has(L"Mode"));
  EXPECT_TRUE(fake_->installer.calls.empty());
  EXPECT_EQ(app.ModeFlags(), mode::Default);
  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_TRUE(Exists(LogFolder() + L"\\_Setup.log"));
}

TEST_F(ModeDetectionTest, NormalizeInstallDirectory) {
  const struct {
    const wchar_t *root, *qv, *path, *normalized;
  } rows[] = {
      {L"Orvanta", L"Orvanta\\Rizod", L"D:\\Apps\\Orvanta\\Rizod\\", L"D:\\Apps\\Orvanta\\Rizod"},
      {L"Orvanta", L"Orvanta\\Rizod", L"D:\\Orvanta\\Backup\\Orvanta\\Rizod", L"D:\\Orvanta\\Backup\\Orvanta\\Rizod"},
      {L"Orvanta", L"Orvanta", L"D:\\Orvanta\\", L"D:\\Orvanta"},
      {L"Orvanta", L"QV", L"D:\\Apps\\Orvanta", L"D:\\Apps\\Orvanta\\QV"},  // the root must be followed by "\"
      {L"Orvanta", L"QV", L"D:\\MyOrvanta\\x\\", L"D:\\MyOrvanta\\x\\QV"},  // ... and preceded by one
      {L"", L"QV", L"D:\\Apps\\", L"D:\\Apps\\QV"},
      {L"", L"QV", L"D:\\Apps", L"D:\\Apps\\QV"},
      {L"Orvanta", L"", L"D:\\Apps\\Orvanta\\Rizod\\", L"D:\\Apps"},
      {L"", L"", L"D:\\Apps\\", L"D:\\Apps\\"},
  };
  CCommonBootstrapperApp& app = Make();
  for (const auto& row : rows) {
    app.SetFirstProduct(L"OP", L"Rizod", row.qv, row.root);
    EXPECT_EQ(app.NormalizeInstallDirectory(row.path), row.normalized)
        << text::ToUtf8(row.root) << " " << text::ToUtf8(row.qv) << " " << text::ToUtf8(row.path);
  }
}

TEST_F(ModeDetectionTest, DefaultInstallDirectory) {
  const struct {
    const wchar_t *programFiles, *qv, *directory;
  } rows[] = {
      {L"C:\\Program Files (x86)", L"Orvanta\\Rizod", L"C:\\Program Files (x86)\\Orvanta\\Rizod"},
      {L"E:\\Programs", L"QV", L"E:\\Programs\\QV"},
      {L"", L"Orvanta\\Rizod", L"C:\\Orvanta\\Rizod\\"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.programFiles));
    Fresh();
    fake_->system.programFiles = row.programFiles;
    CCommonBootstrapperApp& app = Start({});
    app.SetFirstProduct(L"OP", L"Rizod", row.qv, L"Orvanta");
    std::wstring out = L"stale";
    app.DefaultInstallDirectory(out);
    EXPECT_EQ(out, row.directory);
    app.ApplyDefaultInstallDirectory();
    EXPECT_EQ(app.InstallDirectory(), row.directory);
    EXPECT_EQ(app.Properties().Get(L"[INSTALLDIRECTORY]"), row.directory);
  }
}

TEST_F(ModeDetectionTest, FamilyMemberInstalledDuringUninstallDetection) {
  const std::wstring op = L"Software\\ZEM_Halvern\\OP";
  const std::wstring own = text::ToLower(kGuid);  // the registry may list it in another case
  struct Member {
    std::wstring code;
    int state;
  };
  const struct {
    const wchar_t* platform;
    const char* productCulture;
    std::wstring key;
    View view;
    std::vector<Member> members;
    bool installed;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> notAsked;
  } rows[] = {
      {L"OP",
       nullptr,
       op,
       View::Bit32,
       {{own, 5}, {kMember1, -1}, {kMember3, 5}, {kMember4, 5}},
       true,
       {kMember1 + L" is not installed.", kMember3 + L" is installed."},
       {kMember4}},
      {L"OP",
       nullptr,
       op,
       View::Bit32,
       {{kMember1, -1}, {own, 5}, {kMember3, 1}},
       false,
       {kMember1 + L" is not installed.", kMember3 + L" is not installed."},
       {}},
      {L"OP", nullptr, op, View::Bit32, {{kMember1, 2}}, true, {kMember1 + L" is installed."}, {}},
      {L"OP", nullptr, op, View::Bit32, {{own, 5}}, false, {}, {}},
      {L"OP", nullptr, op, View::Bit32, {}, false, {}, {}},
      {L"OP", nullptr, L"", View::Bit32, {}, false, {L"Unable to open HKEY_LOCAL_MACHINE\\" + op}, {}},
      {L"OP",
       nullptr,
       op,
       View::Bit64,
       {{kMember1, 5}},
       false,
       {L"Unable to open HKEY_LOCAL_MACHINE\\" + op},
       {kMember1}},
      {L"OP", "en-CA", op + L"\\Canada", View::Bit32, {{kMember3, 5}}, true, {kMember3 + L" is installed."}, {}},
      {L"OP",
       "en-CA",
       op,
       View::Bit32,
       {{kMember3, 5}},
       false,
       {L"Unable to open HKEY_LOCAL_MACHINE\\" + op + L"\\Canada"},
       {kMember3}},
      {L"OP", "fr-CA", op, View::Bit32, {{kMember3, 5}}, true, {kMember3 + L" is installed."}, {}},
      {L"", nullptr, L"Software\\ZEM_Halvern", View::Bit32, {{kMember1, 5}}, true, {kMember1 + L" is installed."}, {}},
      {L"", nullptr, L"", View::Bit32, {}, false, {L"Unable to open HKEY_LOCAL_MACHINE\\Software\\ZEM_Halvern"}, {}},
      {L"Foundation",
       nullptr,
       L"Software\\ZEM_Halvern\\Foundation",
       View::Bit32,
       {{kMember4, 5}},
       true,
       {kMember4 + L" is installed."},
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.platform) << " "
                                    << (row.productCulture ? row.productCulture : "") << " " << text::ToUtf8(row.key)
                                    << " " << row.members.size());
    Fresh();
    ProductEntry product = Rizod();
    product.platform = row.platform;
    WriteDefinition({product});
    if (row.productCulture)
      WriteProductCulture(row.productCulture);
    else
      DeleteFileW((setup_ + L"VariablesList.xml").c_str());
    fake_->installer.states[kGuid] = 5;
    std::vector<std::wstring> codes;
    for (const Member& m : row.members) {
      codes.push_back(m.code);
      if (m.code != own && m.state != -1) fake_->installer.states[FakeWindowsInstaller::Key(m.code)] = m.state;
    }
    if (!row.key.empty()) RegisterFamily(row.key, codes, row.view);

    CCommonBootstrapperApp& app = Start({});
    ASSERT_EQ(app.ModeFlags(), mode::Uninstall);
    EXPECT_EQ(Only(Lines(), IsFamilyLine), row.lines);
    EXPECT_EQ(app.Properties().Get(L"Tier1_Installed"), row.installed ? L"True" : L"False");
    for (const std::wstring& code : row.notAsked) {
      const auto& calls = fake_->installer.calls;
      EXPECT_EQ(std::count(calls.begin(), calls.end(), L"QueryProductState " + code), 0) << text::ToUtf8(code);
    }
    // Asked again directly, with the own code in either case.
    app.Properties().Set(L"Tier1_Installed", L"unset");
    EXPECT_EQ(app.FamilyMemberInstalled(own), row.installed);
    EXPECT_EQ(app.Properties().Get(L"Tier1_Installed"), row.installed ? L"True" : L"False");
  }
}

TEST_F(ModeDetectionTest, AllFamilyMembersListed) {
  const std::wstring op = L"Software\\ZEM_Halvern\\OP";
  const std::wstring rizod = text::ToLower(kGuid), tools = text::ToLower(kOtherGuid);
  const struct {
    std::vector<ProductEntry> products;
    bool keyPresent;
    std::vector<std::wstring> members;
    bool listed;
  } rows[] = {
      {{Rizod(), Tools()}, true, {rizod, tools}, true},
      {{Rizod(), Tools()}, true, {tools}, true},
      {{Rizod(), Tools()}, true, {}, true},
      {{Rizod()}, true, {rizod, tools}, false},
      {{Rizod(), Tools()}, true, {rizod, tools, kMember1}, false},
      {{Rizod(), Tools()}, false, {}, false},
      // A product named twice in the definition does not make up for a member it lacks.
      {{Rizod(), Rizod()}, true, {rizod, kMember1}, false},
      {{Rizod(), Rizod()}, true, {rizod}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.products.size() << " products, " << row.members.size() << " members");
    Fresh();
    WriteDefinition(row.products);
    if (row.keyPresent) RegisterFamily(op, row.members);
    CCommonBootstrapperApp& app = Start({});  // not installed: no family check yet
    EXPECT_EQ(app.AllFamilyMembersListed(), row.listed);
    const std::vector<std::wstring> lines = Only(Lines(), IsFamilyLine);
    EXPECT_EQ(lines.size(), row.keyPresent ? 0u : 1u);
    if (!row.keyPresent && !lines.empty()) {
      EXPECT_EQ(lines[0], L"Unable to open HKEY_LOCAL_MACHINE\\" + op);
    }
  }
}

TEST_F(ModeDetectionTest, SharedClientInstallDirectory) {
  const std::wstring key = L"SOFTWARE\\ZEM_CommonClient_ASP";
  const struct {
    const wchar_t* platform;
    std::optional<std::wstring> value;
    View view;
    bool found;
    std::wstring directory;
  } rows[] = {
      {L"OP", L"D:\\Shared\\Orvanta\\Client\\", View::Bit32, true, L"D:\\Shared\\Orvanta\\Rizod"},
      {L"SaaS", L"D:\\Shared\\", View::Bit32, true, L"D:\\Shared\\Orvanta\\Rizod"},
      {L"", L"D:\\Shared", View::Bit32, true, L"D:\\Shared\\Orvanta\\Rizod"},
      {L"other", L"D:\\Shared", View::Bit32, true, L"D:\\Shared\\Orvanta\\Rizod"},
      {L"Foundation", L"D:\\Shared\\", View::Bit32, false, L"unchanged"},
      {L"OP", std::nullopt, View::Bit32, false, L"unchanged"},
      {L"OP", L"", View::Bit32, false, L"unchanged"},
      {L"OP", L"D:\\Shared\\", View::Bit64, false, L"unchanged"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.platform) << " "
                                    << (row.value ? text::ToUtf8(*row.value) : "-"));
    Fresh();
    if (row.value) fake_->registry.PutString(Hive::LocalMachine, row.view, key, L"InstallDir", *row.value);
    CCommonBootstrapperApp& app = Make();
    app.SetFirstProduct(row.platform, L"Rizod", L"Orvanta\\Rizod", L"Orvanta");
    std::wstring out = L"unchanged";
    EXPECT_EQ(app.SharedClientInstallDirectory(out), row.found);
    EXPECT_EQ(out, row.directory);
  }
}

class ProductTextsTest : public ModeDetectionTest {
 protected:
  void SetUp() override {
    ModeDetectionTest::SetUp();
    for (const wchar_t* place : {L"..\\dist\\Packages\\Rizodresources.dll", L"Rizodresources.dll"}) {
      if (Exists(ExeFolder() + place)) {
        library_ = ExeFolder() + place;
        break;
      }
    }
    if (library_.empty()) GTEST_SKIP() << "Rizodresources.dll is built by the dist target";
    // Installs read the library beside the packages, repairs and uninstalls beside setup.exe.
    CreateDirectoryW((setup_ + L"Packages").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(library_.c_str(), (setup_ + L"Packages\\Rizodresources.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(library_.c_str(), (setup_ + L"Rizodresources.dll").c_str(), FALSE));
  }
  std::wstring CultureString(UINT id) const {
    HMODULE library = LoadLibraryExW((setup_ + L"setup_en-US.dll").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    std::wstring out;
    Localization::ReadString(library, id, out);
    if (library) FreeLibrary(library);
    return out;
  }
  std::wstring library_;
};

TEST_F(ProductTextsTest, NamesAndTitlesByPlatformCultureAndMode) {
  const std::wstring server = L"Rizod Server";
  const std::wstring intro = L"This wizard installs the Rizod document server on this computer.";
  const std::wstring online = L"Rizod Server Online";
  const std::wstring onlineIntro = L"This wizard connects this computer to the Rizod document server online.";
  const std::wstring canada = L"Rizod Server (Canada)";
  const std::wstring canadaIntro =
      L"This wizard installs the Rizod document server (Canadian edition) on this computer.";
  enum Titles { Culture, Telvia, Quillon };
  const struct {
    const wchar_t* platform;
    const char* productCulture;
    bool installed;
    std::vector<std::wstring> args;
    std::wstring name, text1007;
    Titles titles;
    int current;
  } rows[] = {
      {L"OP", nullptr, false, {}, server, intro, Culture, 2},
      {L"OP", nullptr, true, {}, server, intro, Culture, 3},
      {L"OP", nullptr, true, {L"/r"}, server, intro, Culture, 2},
      {L"OP", nullptr, true, {L"/r", L"/u"}, server, intro, Culture, 3},
      {L"op", "en-CA", false, {}, canada, canadaIntro, Culture, 2},
      {L"SaaS", nullptr, false, {}, online, onlineIntro, Telvia, 2},
      {L"", nullptr, true, {}, online, onlineIntro, Telvia, 3},
      {L"Foundation", nullptr, false, {}, server, intro, Quillon, 2},
      {L"Foundation", "en-CA", true, {L"/upgrade"}, canada, canadaIntro, Quillon, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.platform) << " "
                                    << (row.productCulture ? row.productCulture : "") << " installed " << row.installed
                                    << " " << Describe(row.args));
    Fresh();
    SetEnvironmentVariableW(L"setup_productname", L"before");
    ProductEntry product = Rizod();
    product.platform = row.platform;
    WriteDefinition({product});
    if (row.productCulture)
      WriteProductCulture(row.productCulture);
    else
      DeleteFileW((setup_ + L"VariablesList.xml").c_str());
    if (row.installed) fake_->installer.states[kGuid] = 5;
    CCommonBootstrapperApp& app = Start(row.args);

    ASSERT_TRUE(app.LoadProductTexts());
    EXPECT_EQ(app.ProductDisplayName(), row.name);
    EXPECT_EQ(app.ProductText1007(), row.text1007);
    EXPECT_EQ(app.ProductText1008(), L"Orvanta Inc.");  // 1008 is never shifted
    for (int n = 1; n <= 3; ++n) {
      std::wstring expected = row.titles == Telvia ? L"ZEM Telvia Installation" : L"Quillon Installation";
      if (row.titles == Culture) {
        expected = CultureString(50180 + n);
        size_t at = expected.find(L"%1");
        ASSERT_NE(at, std::wstring::npos) << n;
        expected.replace(at, 2, row.name);
      }
      EXPECT_EQ(app.Title(n), expected) << n;
    }
    EXPECT_EQ(app.CurrentTitle(), app.Title(row.current));
    EXPECT_EQ(EnvironmentValue(L"setup_productname"), row.name);
  }
}

TEST_F(ProductTextsTest, MissingLibraryFails) {
  const struct {
    std::vector<std::wstring> args;
    std::wstring secondResources;
    size_t boxes;
  } rows[] = {
      {{L"/q"}, L"", 0},
      {{}, L"", 1},
      {{L"/q"}, L"Missing.dll", 0},  // the first product's library is fine, the second's is not
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << Describe(row.args) << text::ToUtf8(row.secondResources));
    Fresh();
    ProductEntry first = Rizod(), second = Tools();
    if (row.secondResources.empty()) {
      first.resources = L"Missing.dll";
      WriteDefinition({first});
    } else {
      second.resources = row.secondResources;
      WriteDefinition({first, second});
    }
    CCommonBootstrapperApp& app = Start(row.args);
    fake_->prompts.asked.clear();
    EXPECT_FALSE(app.LoadProductTexts());
    EXPECT_EQ(fake_->prompts.asked.size(), row.boxes);
    EXPECT_EQ(app.ProductDisplayName(), L"");
    EXPECT_EQ(app.CurrentTitle(), L"");
    EXPECT_EQ(EnvironmentValue(L"setup_productname"), L"before");
    const std::wstring missing = setup_ + L"Packages\\Missing.dll not found.";
    const std::vector<std::wstring> lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), missing), lines.end());
  }
}

}  // namespace

namespace {

// The silent driver on top of the same start-up: which branch runs, with what, and the outcome.
class SilentRunTest : public ModeDetectionTest {
 protected:
  static constexpr wchar_t kPackage[] = L"{9E9E9E9E-0000-4000-8000-000000000001}";
  void SetUp() override {
    ModeDetectionTest::SetUp();
    std::ofstream((setup_ + L"Products.xml").c_str(), std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<Setup><Product ShortName=\"Rizod\" GUID=\"" << text::ToUtf8(kGuid)
        << "\" QVDirectory=\"Orvanta\\Rizod\" RootDirectory=\"Orvanta\" Platform=\"OP\">"
        << "<PackageFileGroup><PackageFile><ShortName>Rizod</ShortName><Name>Rizod Server</Name>"
        << "<GUID>" << text::ToUtf8(kPackage) << "</GUID>"
        << "<Location>[WORKINGDIRECTORY]\\Rizod.msi</Location><InstallOrder>1</InstallOrder>"
        << "<UninstallOrder>1</UninstallOrder></PackageFile></PackageFileGroup></Product></Setup>\n";
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
  EXPECT_EQ(fake_->installer.CallsStartingWith(L"EndTransaction"), std::vector<std::wstring>{L"EndTransaction 0"});
}

TEST_F(SilentRunTest, UpgradeOnOldSystemsIsRefusedAfterTheUninstallHalf) {
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
