#include "checks/msi_probes.h"

#include "probe_fixture.h"

namespace {

using MsiProbesTest = ProbeFixture;

TEST_F(MsiProbesTest, WindowsInstallerVersion) {
  struct Row {
    DWORD major, minor;
    bool answer;
  };
  const Row rows[] = {{4, 5, true}, {4, 6, false}, {4, 0, false}, {3, 1, false}, {5, 0, true}, {6, 2, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.major << "." << row.minor);
    fake.installer.versionMajor = row.major;
    fake.installer.versionMinor = row.minor;
    EXPECT_EQ(WindowsInstallerVersionCheck(log, fake.installer), row.answer);
    EXPECT_TRUE(log.Has(text::Format(L"Windows Installer version %d.%d", row.major, row.minor)));
  }
  fake.installer.versionOk = false;
  log.lines.clear();
  EXPECT_FALSE(WindowsInstallerVersionCheck(log, fake.installer));
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(MsiProbesTest, ProductStates) {
  const wchar_t kMine[] = L"{11111111-1111-1111-1111-111111111111}";
  const wchar_t kOtherUser[] = L"{22222222-2222-2222-2222-222222222222}";
  const wchar_t kAbsent[] = L"{33333333-3333-3333-3333-333333333333}";
  fake.installer.states[kMine] = 5;
  fake.installer.states[kOtherUser] = 2;
  EXPECT_TRUE(MsiProductInstalled(log, fake.installer, kMine, L"Mine"));
  EXPECT_TRUE(MsiProductInstalled(log, fake.installer, kOtherUser, L"Theirs"));
  EXPECT_FALSE(MsiProductInstalled(log, fake.installer, kAbsent, L""));
  EXPECT_TRUE(log.Has(L"Mine is installed."));
  EXPECT_TRUE(log.Has(L"Theirs is installed."));
  EXPECT_TRUE(log.Has(L" is not installed."));

  EXPECT_FALSE(AnyProductInstalled(fake.installer, {kOtherUser, kAbsent}));
  EXPECT_TRUE(AnyProductInstalled(fake.installer, {kAbsent, kMine}));
  EXPECT_FALSE(AnyProductInstalled(fake.installer, {}));

  fake.installer.installLocations[kMine] = L"C:\\Program Files\\Mine\\";
  EXPECT_EQ(MsiInstallLocation(fake.installer, kMine).value_or(L"none"), L"C:\\Program Files\\Mine\\");
  EXPECT_FALSE(MsiInstallLocation(fake.installer, kAbsent).has_value());
}

}  // namespace
