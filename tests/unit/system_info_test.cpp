#include "checks/system_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/property_map.h"
#include "fakes/fake_system_queries.h"
#include "fakes/memory_log.h"

namespace {

constexpr BYTE kWorkstation = 1, kDomainController = 2, kServer = 3;
constexpr WORD kHomeServerBit = 0x8000;

struct OsRow {
  DWORD major, minor;
  BYTE productType;
  WORD suite;
  bool is64;
  int serverR2;
  int code;
  const wchar_t* keyword;
  const wchar_t* line;
};

const OsRow kOsRows[] = {
    {10, 0, kWorkstation, 0, true, 0, OsWin10, L"Win10", L"OS is Windows 10"},
    {10, 1, kWorkstation, 0, true, 0, OsWin10, L"Win10", L"OS is Windows 10"},
    {10, 0, kServer, 0, true, 0, OsWin2016, L"Win2016", L"OS is Windows Server 2016"},
    {10, 0, kDomainController, 0, true, 0, OsWin2016, L"Win2016", L"OS is Windows Server 2016"},
    {10, 1, kServer, 0, true, 0, OsUnknown, L"Unknown", L"OS is unknown. Version 10.1"},
    {6, 4, kWorkstation, 0, true, 0, OsUnknown, L"Unknown", L"OS is unknown. Version 6.4"},
    {6, 3, kWorkstation, 0, true, 0, OsWin81, L"Win81", L"OS is Windows 8.1"},
    {6, 3, kServer, 0, true, 0, OsWin2012R2, L"Win2012R2", L"OS is Windows Server 2012 R2"},
    {6, 2, kWorkstation, 0, false, 0, OsWin8, L"Win8", L"OS is Windows 8"},
    {6, 2, kServer, 0, true, 0, OsWin2012, L"Win2012", L"OS is Windows Server 2012"},
    {6, 1, kWorkstation, 0, false, 0, OsWin7, L"Win7", L"OS is Windows 7"},
    {6, 1, kDomainController, 0, true, 0, OsWin2008R2, L"Win2008R2", L"OS is Windows Server 2008 R2"},
    {6, 0, kWorkstation, 0, false, 0, OsVista, L"Vista", L"OS is Windows Vista"},
    {6, 0, kServer, 0, false, 0, OsWin2008, L"Win2008", L"OS is Windows Server 2008"},
    // 5.2: the R2 metric beats the home-server bit, which beats the XP x64 test.
    {5, 2, kServer, kHomeServerBit, false, 1, OsWin2003R2, L"Win2003R2", L"OS is Windows Server 2003 R2"},
    {5, 2, kServer, kHomeServerBit, false, 0, OsWinHomeServer, L"WinHomeServer", L"OS is Windows Home Server"},
    {5, 2, kWorkstation, kHomeServerBit, true, 0, OsWinHomeServer, L"WinHomeServer", L"OS is Windows Home Server"},
    {5, 2, kWorkstation, 0, true, 0, OsWinXPx64, L"WinXPx64", L"OS is Windows XP Professional x64"},
    {5, 2, kWorkstation, 0, false, 0, OsWin2003, L"Win2003", L"OS is Windows Server 2003"},
    {5, 2, kServer, 0, true, 0, OsWin2003, L"Win2003", L"OS is Windows Server 2003"},
    {5, 1, kWorkstation, 0, false, 0, OsWinXP, L"XP", L"OS is Windows XP"},
    {5, 0, kServer, 0, false, 0, OsUnknown, L"Unknown", L"OS is unknown. Version 5.0"},
    {4, 0, kWorkstation, 0, false, 0, OsUnknown, L"Unknown", L"OS is unknown. Version 4.0"},
};

TEST(SystemInfoTest, OsCodeDecisionTable) {
  for (const OsRow& row : kOsRows) {
    SCOPED_TRACE(testing::Message() << row.major << "." << row.minor << " type " << int(row.productType) << " suite "
                                    << row.suite << " r2 " << row.serverR2 << " 64 " << row.is64);
    FakeSystemQueries system;
    system.version = FakeSystemQueries::Make(row.major, row.minor, row.productType, row.suite);
    system.is64 = row.is64;
    system.serverR2 = row.serverR2;

    MemoryLog log;
    SystemInfo info(log, system);
    EXPECT_EQ(info.GetOsCode(), row.code);
    EXPECT_EQ(log.Count(row.line), 1u);

    MemoryLog publishLog;
    PropertyMap properties;
    PublishSystemProperties(publishLog, properties, system);
    EXPECT_EQ(properties.Get(L"OS"), row.keyword);
    const bool controller = row.productType == kDomainController;
    EXPECT_EQ(properties.Get(L"DomainController"), controller ? L"True" : L"False");
    EXPECT_EQ(publishLog.Has(L"System is domain controller."), controller);
  }
}

TEST(SystemInfoTest, OsCodeIsComputedAndLoggedOnce) {
  FakeSystemQueries system;
  system.version = FakeSystemQueries::Make(6, 1, kWorkstation);
  MemoryLog log;
  SystemInfo info(log, system);
  EXPECT_EQ(info.GetOsCode(), OsWin7);
  system.version = FakeSystemQueries::Make(5, 1, kWorkstation);  // gathered once: a later change is not seen
  EXPECT_EQ(info.GetOsCode(), OsWin7);
  EXPECT_EQ(log.Count(L"OS is Windows 7"), 1u);
  EXPECT_FALSE(log.HasContaining(L"Windows XP"));
}

TEST(SystemInfoTest, KeywordForEveryCode) {
  const std::vector<std::pair<int, const wchar_t*>> rows = {
      {1, L"Unknown"},    {2, L"Win2016"},   {3, L"Win2012"},        {4, L"Win2012R2"}, {5, L"Win10"},
      {6, L"Win81"},      {7, L"Win8"},      {8, L"Win7"},           {9, L"Win2008R2"}, {10, L"Win2008"},
      {11, L"Vista"},     {12, L"Win2003R2"}, {13, L"WinHomeServer"}, {14, L"Win2003"},  {15, L"WinXPx64"},
      {16, L"XP"},        {0, L"Unknown"},   {17, L"Unknown"},       {-1, L"Unknown"},  {1000, L"Unknown"},
  };
  for (const auto& [code, keyword] : rows) EXPECT_EQ(OsKeyword(static_cast<OsCode>(code)), keyword) << code;
}

TEST(SystemInfoTest, MemoryRoundsUpToWholeGigabytes) {
  const uint64_t gib = 1ULL << 30;
  const struct {
    uint64_t bytes;
    uint64_t gigabytes;
  } rows[] = {
      {8 * gib, 8}, {static_cast<uint64_t>(7.9 * gib), 8}, {8 * gib + 1, 9}, {0, 0}, {1, 1}, {gib - 1, 1}, {1024 * gib, 1024},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    EXPECT_EQ(MemoryInGigabytes(row.bytes), row.gigabytes);

    FakeSystemQueries system;
    system.memory = row.bytes;
    MemoryLog log;
    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_EQ(properties.Get(L"RAM"), std::to_wstring(row.gigabytes));
    EXPECT_TRUE(log.Has(L"Physical memory is " + std::to_wstring(row.gigabytes) + L" GB."));
  }
}

TEST(SystemInfoTest, BitnessLinesAndProcessor) {
  for (bool is64 : {true, false}) {
    FakeSystemQueries system;
    system.is64 = is64;
    MemoryLog log;
    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_TRUE(log.Has(is64 ? L"Running on 64 bit" : L"Running on 32 bit"));
    EXPECT_EQ(properties.Get(L"Processor"), is64 ? L"x64" : L"x86");
  }
}

TEST(SystemInfoTest, FailedQueriesFallBackToSafeDefaults) {
  {
    FakeSystemQueries system;
    system.wowOk = false;
    system.is64 = true;
    system.error = 87;
    MemoryLog log;
    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_TRUE(log.Has(L"IsWow64Process failed with error code 87"));
    EXPECT_FALSE(log.HasContaining(L"Running on"));
    EXPECT_EQ(properties.Get(L"Processor"), L"x86");
  }
  {
    FakeSystemQueries system;
    system.versionOk = false;
    system.error = 1150;
    MemoryLog log;
    SystemInfo info(log, system);
    EXPECT_TRUE(log.Has(L"GetVersionEx failed with error code 1150"));
    EXPECT_EQ(info.Version().major, 0u);
    EXPECT_EQ(info.ProductType(), 0);
    EXPECT_EQ(info.GetOsCode(), OsUnknown);
    EXPECT_TRUE(log.Has(L"OS is unknown. Version 0.0"));

    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_EQ(properties.Get(L"OS"), L"Unknown");
    EXPECT_EQ(properties.Get(L"DomainController"), L"False");
  }
  {
    FakeSystemQueries system;
    system.memoryOk = false;
    system.error = 8;
    MemoryLog log;
    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_TRUE(log.Has(L"GlobalMemoryStatusEx failed with error code 8"));
    EXPECT_TRUE(log.Has(L"Physical memory is 0 GB."));
    EXPECT_EQ(properties.Get(L"RAM"), L"0");
  }
}

TEST(SystemInfoTest, RebootRequiredOnlyWhenReadAndSet) {
  const struct {
    platform::RebootQuery query;
    const wchar_t* value;
    const wchar_t* line;  // expected extra line, or nullptr
  } rows[] = {
      {{REGDB_E_CLASSNOTREG, true, true}, L"False", L"Getting ISystemInformation interface pointer. Error: 0X80040154"},
      {{E_NOINTERFACE, false, false}, L"False", L"Getting ISystemInformation interface pointer. Error: 0X80004002"},
      {{S_OK, true, true}, L"True", L"Reboot required by update."},
      {{S_FALSE, true, true}, L"True", L"Reboot required by update."},
      {{S_OK, true, false}, L"False", nullptr},
      {{S_OK, false, true}, L"False", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.query.created << " read " << row.query.readOk << " flag "
                                    << row.query.required);
    FakeSystemQueries system;
    system.reboot = row.query;
    MemoryLog log;
    PropertyMap properties;
    PublishSystemProperties(log, properties, system);
    EXPECT_EQ(properties.Get(L"RebootRequired"), row.value);
    if (row.line) {
      EXPECT_EQ(log.Count(row.line), 1u);
    }
    EXPECT_EQ(log.HasContaining(L"ISystemInformation"), FAILED(row.query.created));
    EXPECT_EQ(log.Has(L"Reboot required by update."), std::wstring(row.value) == L"True");
  }
}

}  // namespace
