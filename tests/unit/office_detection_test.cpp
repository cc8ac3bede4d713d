#include "checks/office_detection.h"

#include "probe_fixture.h"

namespace {

using OfficeDetectionTest = ProbeFixture;

struct OfficeRow {
  const wchar_t* app;
  int year;
  const wchar_t* bitness;  // Outlook's "Bitness"; nullptr when absent
  bool root32, path32, root64;
  bool emulationQueryOk;
  int code;
};

const OfficeRow kOfficeRows[] = {
    {L"Word", 2016, L"x64", false, false, true, true, Office2016x64},
    {L"Word", 2016, L"X64", true, true, true, true, Office2016x64},  // the hint skips the 32-bit view
    {L"Word", 2016, nullptr, true, true, true, true, Office2016x86},
    {L"Word", 2016, L"x86", false, false, true, true, OfficeNotFound},
    {L"Word", 2016, nullptr, false, false, true, true, Office2016x64},
    {L"Word", 2016, nullptr, false, false, true, false, OfficeNotFound},
    {L"Word", 2013, L"other", true, false, true, true, OfficeNotFound},  // root without "Path"
    {L"Word", 2010, L"x86", true, true, false, true, Office2010x86},
    {L"Word", 2007, nullptr, true, true, false, true, Office2007},
    {L"Word", 2007, nullptr, true, false, false, true, OfficeNotFound},
    {L"Word", 2019, nullptr, true, true, true, true, OfficeNotFound},
};

TEST_F(OfficeDetectionTest, CodeFollowsBitnessHintAndViews) {
  for (const OfficeRow& row : kOfficeRows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.app) << " " << row.year << " "
                                    << (row.bitness ? text::ToUtf8(row.bitness) : "-") << " r32 " << row.root32
                                    << " r64 " << row.root64 << " q " << row.emulationQueryOk);
    FakePlatform machine;
    const std::wstring version = OfficeVersionText(row.year), app = row.app;
    const std::wstring root = L"Software\\Microsoft\\Office\\" + version + L"\\" + app + L"\\InstallRoot";
    if (row.bitness)
      machine.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\Office\\" + version + L"\\Outlook", L"Bitness",
                                 row.bitness);
    if (row.root32) machine.registry.PutKey(kHklm, kBit32, root);
    if (row.path32) machine.registry.PutString(kHklm, kBit32, root, L"Path", L"C:\\Office32\\");
    if (row.root64) machine.registry.PutString(kHklm, kBit64, root, L"Path", L"C:\\Office64\\");
    machine.system.wowOk = row.emulationQueryOk;
    EXPECT_EQ(DetectOfficeApp(machine.registry, machine.system, row.app, row.year), row.code);
  }
}

TEST_F(OfficeDetectionTest, InstallFolderReadsTheViewOfTheDetectedBitness) {
  const wchar_t* root = L"Software\\Microsoft\\Office\\16.0\\Word\\InstallRoot";
  fake.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\Office\\16.0\\Outlook", L"Bitness", L"x64");
  fake.registry.PutString(kHklm, kBit64, root, L"Path", L"C:\\Office64\\");
  std::wstring folder;
  EXPECT_TRUE(OfficeInstallFolder(fake.registry, fake.system, L"Word", 2016, folder));
  EXPECT_EQ(folder, L"C:\\Office64\\");

  fake.registry.PutString(kHklm, kBit32, L"Software\\Microsoft\\Office\\16.0\\Outlook", L"Bitness", L"x86");
  EXPECT_FALSE(OfficeInstallFolder(fake.registry, fake.system, L"Word", 2016, folder));
  EXPECT_TRUE(folder.empty());
}

}  // namespace
