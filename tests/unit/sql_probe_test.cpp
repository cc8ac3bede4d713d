#include "checks/sql_probe.h"

#include <utility>
#include <vector>

#include "probe_fixture.h"

namespace {

const wchar_t kInstanceNames[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";

TEST(SqlVersionTest, CodesAndNamesOfVersionTexts) {
  const std::pair<const wchar_t*, int> rows[] = {
      {L"10.50.1600.1", 0},  {L"10.50.1660.0", 10}, {L"10.50.2500.0", 11}, {L"10.50.4000.0", 12},
      {L"10.0.1500", 9},     {L"10.0.1600.22", 6},  {L"10.0.2531.0", 7},   {L"10.0.4000.0", 8},
      {L"10.0.5500.0", 9},   {L"11.0.2100.60", 13}, {L"11.0.3000.0", 14},  {L"9.00.1399.06", 1},
      {L"9.00.2047.00", 2},  {L"9.00.3042.00", 3},  {L"9.00.4035.00", 4},  {L"9.00.5000.00", 5},
      {L"9.00.2000.00", 0},  {L"12.0.2000.8", 0},   {L"", 0},              {L"garbage", 0},
  };
  for (const auto& [version, code] : rows) {
    SCOPED_TRACE(text::ToUtf8(version));
    EXPECT_EQ(SqlVersionCodeOf(version), code);
  }
  EXPECT_EQ(SqlVersionName(0), L"Unknown");
  EXPECT_EQ(SqlVersionName(1), L"SQL_Server_2005");
  EXPECT_EQ(SqlVersionName(11), L"SQL_SERVER_2008R2SP1");
  EXPECT_EQ(SqlVersionName(14), L"SQL_SERVER_2012SP1");
  EXPECT_EQ(SqlVersionName(15), L"Unknown");
}

class SqlDetectionTest : public ProbeFixture {
 protected:
  void AddInstance(platform::View view, const std::wstring& name, const std::wstring& folder,
                   const std::wstring& version) {
    fake.registry.PutString(kHklm, view, kInstanceNames, name, folder);
    fake.registry.PutString(kHklm, view,
                            L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\" + folder + L"\\MSSQLServer\\CurrentVersion",
                            L"CurrentVersion", version);
  }
};

TEST_F(SqlDetectionTest, Sql2005InstancesArePassedOver) {
  AddInstance(kBit32, L"OLD", L"MSSQL.1", L"9.00.3042.00");
  AddInstance(kBit32, L"NEW", L"MSSQL11.NEW", L"11.0.2100.60");
  SqlDetection sql(log, fake.bundle, true);
  EXPECT_EQ(sql.SqlServerVersion(), 13);
  EXPECT_EQ(sql.serverFlavour, Sql2012x64);
  ASSERT_EQ(log.lines.size(), 2u) << Lines();
  EXPECT_EQ(log.lines[0], L"SQL Server 2005 no supported. Version 9.00.3042.00 detected.");
  EXPECT_EQ(log.lines[1], L"SQL Server version is 11.0.2100.60");
}

TEST_F(SqlDetectionTest, WalkEndsAndKeepsTheLastCode) {
  AddInstance(kBit64, L"OLD", L"MSSQL.1", L"9.00.5000.00");
  AddInstance(kBit64, L"EMPTY", L"MSSQL.2", L"");
  SqlDetection sql(log, fake.bundle, true);
  EXPECT_EQ(sql.SqlServerVersion(), 5);  // found in the 64-bit view after the 32-bit one failed
  EXPECT_EQ(sql.serverFlavour, SqlClientNone);
  EXPECT_TRUE(log.Has(L"RegQueryValue returned 0")) << Lines();
  EXPECT_TRUE(log.Has(L"RegEnumValue failed with error 0x103")) << Lines();

  SqlDetection on32(log, fake.bundle, false);  // a 32-bit Windows has no other view to try
  EXPECT_EQ(on32.SqlServerVersion(), 0);
  EXPECT_TRUE(log.Has(L"RegOpenKeyEx failed for " + std::wstring(kInstanceNames) + L" with error 0x2")) << Lines();
  fake.registry.deniedKeys.insert(text::ToLower(kInstanceNames));
  EXPECT_EQ(SqlDetection(log, fake.bundle, true).SqlServerVersion(), 0);
  EXPECT_TRUE(log.Has(L"RegOpenKeyEx failed for " + std::wstring(kInstanceNames) + L" with error 0x5")) << Lines();
}

TEST_F(SqlDetectionTest, UnreadableVersionEndsTheWalk) {
  AddInstance(kBit32, L"LONG", L"MSSQL10.LONG", L"10.50.2500.0.1234567");
  AddInstance(kBit32, L"NEW", L"MSSQL11.NEW", L"11.0.2100.60");
  SqlDetection sql(log, fake.bundle, false);
  EXPECT_EQ(sql.SqlServerVersion(), 0);
  EXPECT_TRUE(log.Has(L"RegQueryValue returned 0xea")) << Lines();
}

TEST_F(SqlDetectionTest, ClientGroupsNeedAnInstallationOfThisMachine) {
  SqlDetection sql(log, fake.bundle, true);
  fake.installer.states[L"{45A8F8FF-ED9B-40B2-B923-94F46FCF6135}"] = 2;  // another user's: no match
  EXPECT_FALSE(sql.SqlCmdCheck());
  EXPECT_TRUE(log.Has(L"SQL Server SQLCMD utility not installed."));
  fake.installer.states[L"{CE060349-0E00-4DB1-8820-FA1F93C419BF}"] = 5;
  fake.installer.states[L"{58FED865-4F13-408D-A5BF-996019C4B936}"] = 5;
  EXPECT_TRUE(sql.SqlCmdCheck());  // the earlier group wins
  EXPECT_EQ(sql.sqlCmdFlavour, Sql2008R2x64);
  EXPECT_TRUE(log.Has(L"SQL Server 2008 R2 SQLCMD x64 utility installed."));

  EXPECT_FALSE(sql.SqlNativeClientCheck());
  EXPECT_EQ(sql.nativeClientFlavour, SqlClientNone);
  fake.installer.states[L"{544ACD54-9FAA-4A60-A1E7-B2EC3AA75D24}"] = 5;
  EXPECT_TRUE(sql.SqlNativeClientCheck());
  EXPECT_EQ(sql.nativeClientFlavour, Sql2012x86);
  EXPECT_TRUE(log.Has(L"SQL Server 2012 Native Client x86 installed."));
}

}  // namespace
