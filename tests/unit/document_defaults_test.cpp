// The document server's defaults: the system drive, and what a silent install fills in or keeps.
#include <gtest/gtest.h>

#include "core/property_map.h"
#include "fakes/fake_system_queries.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "checks/document_defaults.h"

namespace {

TEST(DocumentServerDefaults, SystemDriveFromTheEnvironmentElseTheFirstFixedDrive) {
  struct Case {
    const wchar_t* variable;  // null: not set
    std::wstring expected;
  } cases[] = {{L"D:", L"D:\\"}, {L"E:\\", L"E:\\"}, {nullptr, L"C:\\"}};
  for (const Case& c : cases) {
    EnvironmentOverride systemDrive(L"SYSTEMDRIVE", c.variable);
    MemoryLog log;
    PropertyMap properties;
    FakeSystemQueries system;
    system.driveTypes = {{L"A:\\", DRIVE_REMOVABLE}, {L"B:\\", DRIVE_NO_ROOT_DIR}};
    EXPECT_EQ(VaradavuRadareDefaults(log, properties, system).SystemDrive(), c.expected);
    EXPECT_TRUE(log.Has(L"System drive is " + c.expected));
  }
}

TEST(DocumentServerDefaults, SilentInstallFillsWhatIsMissingAndKeepsWhatWasGiven) {
  EnvironmentOverride systemDrive(L"SYSTEMDRIVE", L"C:");
  const wchar_t* names[] = {L"[SERVER_NAME]", L"[VIRUS_SCAN_PATH]", L"[DOCUMENT_COMPRESS_PATH]", L"[CATALOGDRIVE]"};
  const std::wstring defaults[] = {L"server.example.test", L"C:\\VirusScan", L"C:\\DocumentCompress", L"C:\\"};
  for (bool given : {false, true}) {
    MemoryLog log;
    PropertyMap properties;
    FakeSystemQueries system;
    system.computerName = L"server.example.test";
    for (const wchar_t* name : names) {
      if (given) properties.Set(name, L"given");
    }
    VaradavuRadareDefaults(log, properties, system).ApplyForSilentInstall();
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(properties.Get(names[i]), given ? L"given" : defaults[i]) << names[i];
    EXPECT_EQ(log.Has(L"Server name is server.example.test"), !given);
    EXPECT_EQ(log.Has(L"Virus scan is C:\\VirusScan"), !given);
    EXPECT_EQ(log.Has(L"Document compress path is C:\\DocumentCompress"), !given);
    EXPECT_EQ(log.Has(L"Catalog drive is C:\\"), !given);
  }
}

}  // namespace
