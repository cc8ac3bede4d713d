// Mode detection, the product family and the install-directory rules, on fakes and values.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/install_directory_resolver.h"
#include "app/mode_detection.h"
#include "app/product_family.h"
#include "core/run_mode.h"
#include "fakes/fake_platform.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using platform::Hive;
using platform::View;

const std::wstring kGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}";
const std::wstring kOldGuid = L"{2C1E2A4B-3D5F-4A71-9B20-7E8F10A2C300}";
const std::wstring kOtherGuid = L"{5D0C3F00-1111-4A71-9B20-7E8F10A2C399}";
// Family members as the registry lists them; they sort around the running product's code.
const std::wstring kMember1 = L"{1aaaaaaa-0000-0000-0000-000000000001}";
const std::wstring kMember3 = L"{3ccccccc-0000-0000-0000-000000000003}";
const std::wstring kMember4 = L"{4ddddddd-0000-0000-0000-000000000004}";
const std::wstring kOp = L"Software\\ZEM_Halvern\\OP";
const std::wstring kPf = L"C:\\Program Files (x86)";

// A machine of fakes, the run's properties and the first product's folders: "Orvanta\Rizod"
// below the root folder "Orvanta".
class ModeFixture : public DefinitionTest {
 protected:
  InstallDirectoryResolver Resolver(const std::wstring& qv = L"Orvanta\\Rizod", const std::wstring& root = L"Orvanta",
                                    PlatformKind kind = PlatformKind::OnPremises) {
    return InstallDirectoryResolver(fake.bundle, qv, root, kind);
  }
  ProductFamily Family(const std::wstring& platformText = L"OP") {
    return ProductFamily(log, properties, fake.bundle, platformText);
  }
  ModeDecision Detect(uint32_t asked, const std::wstring& oldGuid = kOldGuid) {
    ProductFamily family = Family();
    const InstallDirectoryResolver directories = Resolver();
    return ModeDetection(log, properties, fake.installer, family, directories).Detect(asked, kGuid, oldGuid);
  }
  void RegisterFamily(const std::wstring& key, const std::vector<std::wstring>& members, View view = View::Bit32) {
    fake.registry.PutKey(Hive::LocalMachine, view, key);
    for (const std::wstring& member : members) fake.registry.PutKey(Hive::LocalMachine, view, key + L"\\" + member);
  }
  size_t Asked(const std::wstring& call) const {
    return std::count(fake.installer.calls.begin(), fake.installer.calls.end(), call);
  }
  void Fresh() {
    fake.installer.states.clear();
    fake.installer.installLocations.clear();
    fake.installer.calls.clear();
    fake.registry = FakeRegistry();
    properties = PropertyMap();
    log.lines.clear();
  }

  FakePlatform fake;
};

TEST_F(ModeFixture, ModeFromProductStateAndSwitches) {
  constexpr uint32_t D = mode::Default, I = mode::Install, U = mode::Uninstall, R = mode::Repair, G = mode::Upgrade;
  const std::wstring current = L"D:\\Apps\\Orvanta\\Rizod";  // "D:\Apps\Orvanta\Rizod\Bin\" cut at the root
  const std::wstring old = L"E:\\Old\\Orvanta\\Rizod";
  const std::optional<std::wstring> none;
  const struct {
    uint32_t asked;
    bool installed;
    uint32_t flags;
    const wchar_t* modeText;
    std::vector<std::wstring> lines;
    std::optional<std::wstring> directory;
  } rows[] = {
      {D, true, U, L"Uninstall", {L"Uninstall mode detected"}, current},
      {U, true, U, L"Uninstall", {L"Uninstall mode detected"}, current},
      {R, true, R, L"Repair", {L"Repair mode detected"}, current},
      {G, true, G, L"Upgrade", {L"Upgrade mode detected"}, current},
      {R | U, true, R | U, L"RepairUninstall", {L"Repair mode detected", L"Uninstall mode detected"}, current},
      {R | G, true, R | G, L"Upgrade", {L"Repair mode detected", L"Upgrade mode detected"}, current},
      {D, false, I, L"Install", {L"Install mode detected"}, none},
      {U, false, I, L"Install", {L"Install mode detected"}, none},
      {R, false, 0, L"", {}, none},
      {G, false, G, L"Upgrade", {L"Upgrade mode detected"}, old},
      {R | U, false, I, L"Install", {L"Install mode detected"}, none},
      {G | U, false, G | I, L"Install", {L"Upgrade mode detected", L"Install mode detected"}, old},
  };
  for (const auto& row : rows) {
    // 2 is "installed for another user"; 1 (advertised) is not installed.
    for (int state : row.installed ? std::vector<int>{5, 2} : std::vector<int>{-1, 1}) {
      SCOPED_TRACE(testing::Message() << "state " << state << " asked " << row.asked);
      Fresh();
      if (state != -1) fake.installer.states[kGuid] = state;
      fake.installer.installLocations[kGuid] = L"D:\\Apps\\Orvanta\\Rizod\\Bin\\";
      fake.installer.installLocations[kOldGuid] = L"E:\\Old\\Orvanta\\Legacy\\";
      const ModeDecision decision = Detect(row.asked);

      EXPECT_EQ(decision.flags, row.flags);
      EXPECT_EQ(decision.modeText, row.modeText);
      EXPECT_EQ(decision.installDirectory, row.directory);
      EXPECT_EQ(properties.Get(L"Install"), (row.flags & I) ? L"True" : L"False");
      EXPECT_EQ(properties.Get(L"Uninstall"), (row.flags & U) ? L"True" : L"False");
      EXPECT_EQ(properties.Get(L"Repair"), (row.flags & R) ? L"True" : L"False");
      EXPECT_EQ(properties.Get(L"Upgrade"), (row.flags & G) ? L"True" : L"False");
      EXPECT_TRUE(properties.Has(L"Mode"));
      EXPECT_EQ(properties.Get(L"Mode"), row.modeText);
      // The family check belongs to uninstall detection only; without a family key it logs one line.
      EXPECT_EQ(properties.Has(L"Tier1_Installed"), (row.flags & U) != 0);
      std::vector<std::wstring> lines = row.lines;
      if (row.flags & U) lines.insert(lines.end(), L"Unable to open HKEY_LOCAL_MACHINE\\" + kOp);
      EXPECT_EQ(log.lines, lines);
    }
  }
}

TEST_F(ModeFixture, InstallDirectorySource) {
  using Location = std::optional<std::wstring>;
  const struct {
    bool installed;
    uint32_t asked;
    Location location, oldLocation;
    std::wstring oldGuid, programFiles;
    Location directory;
  } rows[] = {
      {true, mode::Default, L"D:\\Apps\\Orvanta\\Rizod\\", std::nullopt, kOldGuid, kPf, L"D:\\Apps\\Orvanta\\Rizod"},
      {true, mode::Default, L"D:\\Apps\\", std::nullopt, kOldGuid, kPf, L"D:\\Apps\\Orvanta\\Rizod"},
      {true, mode::Default, std::nullopt, L"E:\\Old\\", kOldGuid, kPf, kPf + L"\\Orvanta\\Rizod"},
      {true, mode::Default, L"", std::nullopt, kOldGuid, kPf, kPf + L"\\Orvanta\\Rizod"},
      {true, mode::Default, L"", std::nullopt, kOldGuid, L"", L"C:\\Orvanta\\Rizod\\"},
      {false, mode::Upgrade, std::nullopt, L"E:\\Old\\Orvanta\\Legacy", kOldGuid, kPf, L"E:\\Old\\Orvanta\\Rizod"},
      {false, mode::Upgrade, std::nullopt, L"", kOldGuid, kPf, kPf + L"\\Orvanta\\Rizod"},
      {false, mode::Upgrade, std::nullopt, std::nullopt, kOldGuid, kPf, kPf + L"\\Orvanta\\Rizod"},
      {false, mode::Upgrade, std::nullopt, std::nullopt, kOldGuid, L"", L"C:\\Orvanta\\Rizod\\"},
      // Without an old product code nothing is asked of Windows Installer, not even for "".
      {false, mode::Upgrade, std::nullopt, L"E:\\Old\\", L"", kPf, kPf + L"\\Orvanta\\Rizod"},
      {false, mode::Default, std::nullopt, L"E:\\Old\\", kOldGuid, kPf, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "installed " << row.installed << " asked " << row.asked << " old "
                                    << text::ToUtf8(row.oldGuid));
    Fresh();
    fake.system.programFiles = row.programFiles;
    if (row.installed) fake.installer.states[kGuid] = 5;
    if (row.location) fake.installer.installLocations[kGuid] = *row.location;
    if (row.oldLocation) fake.installer.installLocations[FakeWindowsInstaller::Key(row.oldGuid)] = *row.oldLocation;
    EXPECT_EQ(Detect(row.asked, row.oldGuid).installDirectory, row.directory);
    EXPECT_EQ(Asked(L"GetProductInfo  InstallLocation"), 0u);
  }
}

TEST_F(ModeFixture, NormalizeInstallDirectory) {
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
  for (const auto& row : rows) {
    EXPECT_EQ(Resolver(row.qv, row.root).Normalize(row.path), row.normalized)
        << text::ToUtf8(row.root) << " " << text::ToUtf8(row.qv) << " " << text::ToUtf8(row.path);
  }
}

TEST_F(ModeFixture, DefaultInstallDirectory) {
  const struct {
    const wchar_t *programFiles, *qv, *directory;
  } rows[] = {
      {L"C:\\Program Files (x86)", L"Orvanta\\Rizod", L"C:\\Program Files (x86)\\Orvanta\\Rizod"},
      {L"E:\\Programs", L"QV", L"E:\\Programs\\QV"},
      {L"", L"Orvanta\\Rizod", L"C:\\Orvanta\\Rizod\\"},
  };
  for (const auto& row : rows) {
    fake.system.programFiles = row.programFiles;
    EXPECT_EQ(Resolver(row.qv).Default(), row.directory) << text::ToUtf8(row.programFiles);
  }
}

TEST_F(ModeFixture, SharedClientInstallDirectory) {
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
    if (row.value) fake.registry.PutString(Hive::LocalMachine, row.view, key, L"InstallDir", *row.value);
    std::wstring out = L"unchanged";
    EXPECT_EQ(Resolver(L"Orvanta\\Rizod", L"Orvanta", PlatformKindOf(row.platform)).SharedClient(out), row.found);
    EXPECT_EQ(out, row.directory);
  }
}

TEST_F(ModeFixture, FamilyMemberInstalled) {
  const std::wstring own = text::ToLower(kGuid);  // the registry may list it in another case
  struct Member {
    std::wstring code;
    int state;
  };
  const struct {
    const wchar_t* platform;
    const wchar_t* productCulture;
    std::wstring key;
    View view;
    std::vector<Member> members;
    bool installed;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> notAsked;
  } rows[] = {
      {L"OP",
       nullptr,
       kOp,
       View::Bit32,
       {{own, 5}, {kMember1, -1}, {kMember3, 5}, {kMember4, 5}},
       true,
       {kMember1 + L" is not installed.", kMember3 + L" is installed."},
       {kMember4}},
      {L"OP",
       nullptr,
       kOp,
       View::Bit32,
       {{kMember1, -1}, {own, 5}, {kMember3, 1}},
       false,
       {kMember1 + L" is not installed.", kMember3 + L" is not installed."},
       {}},
      {L"OP", nullptr, kOp, View::Bit32, {{kMember1, 2}}, true, {kMember1 + L" is installed."}, {}},
      {L"OP", nullptr, kOp, View::Bit32, {{own, 5}}, false, {}, {}},
      {L"OP", nullptr, kOp, View::Bit32, {}, false, {}, {}},
      {L"OP", nullptr, L"", View::Bit32, {}, false, {L"Unable to open HKEY_LOCAL_MACHINE\\" + kOp}, {}},
      {L"OP", nullptr, kOp, View::Bit64, {{kMember1, 5}}, false, {L"Unable to open HKEY_LOCAL_MACHINE\\" + kOp}, {kMember1}},
      {L"OP", L"en-CA", kOp + L"\\Canada", View::Bit32, {{kMember3, 5}}, true, {kMember3 + L" is installed."}, {}},
      {L"OP", L"EN-ca", kOp, View::Bit32, {{kMember3, 5}}, false,
       {L"Unable to open HKEY_LOCAL_MACHINE\\" + kOp + L"\\Canada"}, {kMember3}},
      {L"OP", L"fr-CA", kOp, View::Bit32, {{kMember3, 5}}, true, {kMember3 + L" is installed."}, {}},
      {L"", nullptr, L"Software\\ZEM_Halvern", View::Bit32, {{kMember1, 5}}, true, {kMember1 + L" is installed."}, {}},
      {L"", nullptr, L"", View::Bit32, {}, false, {L"Unable to open HKEY_LOCAL_MACHINE\\Software\\ZEM_Halvern"}, {}},
      {L"Foundation", nullptr, L"Software\\ZEM_Halvern\\Foundation", View::Bit32, {{kMember4, 5}}, true,
       {kMember4 + L" is installed."}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.platform) << " "
                                    << (row.productCulture ? text::ToUtf8(row.productCulture) : "") << " "
                                    << text::ToUtf8(row.key) << " " << row.members.size());
    Fresh();
    if (row.productCulture) properties.Set(L"ProductCulture", row.productCulture);
    std::vector<std::wstring> codes;
    for (const Member& m : row.members) {
      codes.push_back(m.code);
      if (m.code != own && m.state != -1) fake.installer.states[FakeWindowsInstaller::Key(m.code)] = m.state;
    }
    if (!row.key.empty()) RegisterFamily(row.key, codes, row.view);

    // The running product's own code counts in either letter case.
    for (const std::wstring& self : {kGuid, own}) {
      log.lines.clear();
      properties.Set(L"Tier1_Installed", L"unset");
      EXPECT_EQ(Family(row.platform).MemberInstalled(self), row.installed);
      EXPECT_EQ(log.lines, row.lines);
      EXPECT_EQ(properties.Get(L"Tier1_Installed"), row.installed ? L"True" : L"False");
    }
    for (const std::wstring& code : row.notAsked) EXPECT_EQ(Asked(L"QueryProductState " + code), 0u) << text::ToUtf8(code);
  }
}

TEST_F(ModeFixture, AllFamilyMembersListed) {
  const std::wstring rizod = text::ToLower(kGuid), tools = text::ToLower(kOtherGuid);
  const struct {
    std::vector<std::wstring> products;
    bool keyPresent;
    std::vector<std::wstring> members;
    bool listed;
  } rows[] = {
      {{kGuid, kOtherGuid}, true, {rizod, tools}, true},
      {{kGuid, kOtherGuid}, true, {tools}, true},
      {{kGuid, kOtherGuid}, true, {}, true},
      {{kGuid}, true, {rizod, tools}, false},
      {{kGuid, kOtherGuid}, true, {rizod, tools, kMember1}, false},
      {{kGuid, kOtherGuid}, false, {}, false},
      // A product named twice in the definition does not make up for a member it lacks.
      {{kGuid, kGuid}, true, {rizod, kMember1}, false},
      {{kGuid, kGuid}, true, {rizod}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.products.size() << " products, " << row.members.size() << " members");
    Fresh();
    std::wstring xml = L"<Setup>";
    for (const std::wstring& guid : row.products) xml += L"<Product GUID=\"" + guid + L"\"/>";
    Load(xml + L"</Setup>");
    std::vector<XmlNode> nodes;
    doc.SelectAll(L"//Product", nodes);
    ProductCatalog catalog;
    for (const XmlNode& node : nodes) catalog.push_back(std::make_shared<Product>(node, values, L"C:\\setup\\"));
    if (row.keyPresent) RegisterFamily(kOp, row.members);
    log.lines.clear();
    EXPECT_EQ(Family().AllMembersListed(catalog), row.listed);
    EXPECT_EQ(log.lines, row.keyPresent ? std::vector<std::wstring>{}
                                        : std::vector<std::wstring>{L"Unable to open HKEY_LOCAL_MACHINE\\" + kOp});
  }
}

// A folder a user types: real folders under a scratch root, fake drive types and Program Files.
class ValidateInstallPathTest : public ModeFixture {
 protected:
  bool Valid(const std::wstring& path, bool x64 = false, const std::wstring& qv = L"") {
    fake.system.programFiles = root_ + L"\\Program Files (x86)";
    return Resolver(qv, L"").Validate(path, x64);
  }

  ScratchFolder scratch_;
  const std::wstring root_ = scratch_.path().substr(0, scratch_.path().size() - 1);
  EnvironmentOverride profile_{L"USERPROFILE", root_ + L"\\profiles\\me"};
};

TEST_F(ValidateInstallPathTest, PathShape) {
  ASSERT_LT(root_.size(), 120u);
  const std::wstring longest = scratch_.MakeFolder(std::wstring(130 - root_.size() - 1, L'L'));
  ASSERT_EQ(longest.size(), 130u);
  const std::wstring base = scratch_.MakeFolder(L"base");
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
  for (const auto& row : rows) EXPECT_EQ(Valid(row.path), row.valid) << text::ToUtf8(row.path);

  // A relative path names an existing folder but has no drive.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(root_.c_str());
  EXPECT_FALSE(Valid(L"base"));
  SetCurrentDirectoryW(current);
}

TEST_F(ValidateInstallPathTest, DriveMustBeFixed) {
  const std::wstring base = scratch_.MakeFolder(L"base");
  const std::wstring root = base.substr(0, 3);
  for (UINT type : {DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM, DRIVE_RAMDISK, DRIVE_NO_ROOT_DIR, DRIVE_FIXED}) {
    fake.system.driveTypes[root] = type;
    EXPECT_EQ(Valid(base), type == DRIVE_FIXED) << type;
  }
}

TEST_F(ValidateInstallPathTest, ProfilesAndSixtyFourBitProgramFilesAreRefused) {
  const std::wstring mine = scratch_.MakeFolder(L"profiles\\me\\apps");
  const std::wstring other = scratch_.MakeFolder(L"profiles\\other");
  const std::wstring besideProfiles = scratch_.MakeFolder(L"profilesX");
  const std::wstring native = scratch_.MakeFolder(L"Program Files\\App");
  const std::wstring x86 = scratch_.MakeFolder(L"Program Files (x86)\\App");
  const std::wstring besideProgramFiles = scratch_.MakeFolder(L"Program Files Data");
  const struct {
    std::wstring path;
    bool x64, valid;
  } rows[] = {
      {mine, false, false},
      {other, false, false},
      {text::ToLower(other.substr(0, 2)) + other.substr(2), false, false},
      {besideProfiles, false, true},
      {native, true, false},
      {x86, true, true},
      {besideProgramFiles, true, true},
      {native, false, true},
  };
  for (const auto& row : rows) EXPECT_EQ(Valid(row.path, row.x64), row.valid) << text::ToUtf8(row.path) << row.x64;
}

TEST_F(ValidateInstallPathTest, BaseFolderIsCutAtTheLastQvDirectory) {
  const std::wstring base = scratch_.MakeFolder(L"base");
  const std::wstring oneQv = scratch_.MakeFolder(L"oneQV");
  const std::wstring withDummy = scratch_.MakeFolder(L"withDummy\\Dummy");
  const struct {
    std::wstring qv;
    std::wstring path;
    bool valid;
  } rows[] = {
      {L"QV", base + L"\\QV", true},
      {L"", base + L"\\QV", false},  // no cut: the whole path must exist
      {L"QV", oneQv + L"\\QV", true},
      {L"QV", root_ + L"\\missing\\QV", false},
      {L"QV", base + L"\\QV\\Sub\\QV", false},
      {base.substr(0, 3), base, true},  // an occurrence at the very first character is no cut
  };
  for (const auto& row : rows) EXPECT_EQ(Valid(row.path, false, row.qv), row.valid) << text::ToUtf8(row.path);

  // A "Dummy" folder left from before is replaced and removed again.
  EXPECT_TRUE(Valid(withDummy.substr(0, withDummy.size() - 6)));
  EXPECT_EQ(GetFileAttributesW(withDummy.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
