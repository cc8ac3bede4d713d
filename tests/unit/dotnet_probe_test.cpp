#include "checks/dotnet_probe.h"

#include "probe_fixture.h"

namespace {

// Counts every registry question, to show when an answer needed none.
class CountingRegistry : public FakeRegistry {
 public:
  std::optional<platform::RegValue> Read(platform::Hive hive, const std::wstring& key, const std::wstring& name,
                                         platform::View view, LONG& error) override {
    ++questions;
    return FakeRegistry::Read(hive, key, name, view, error);
  }
  LONG KeyStatus(platform::Hive hive, const std::wstring& key, platform::View view) override {
    ++questions;
    return FakeRegistry::KeyStatus(hive, key, view);
  }
  int questions = 0;
};

constexpr BYTE kWorkstation = 1, kServer = 3;
const wchar_t kFull[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";

struct DotNetRow {
  DWORD major, minor;
  BYTE productType;
  WORD servicePack;
  const wchar_t* requested;
  int install, release;  // -1: value absent
  bool answer;
  const wchar_t* line;  // nullptr: no framework line, and no registry question at all
};

const DotNetRow kDotNetRows[] = {
    {10, 0, kWorkstation, 0, L"4.8", -1, -1, true, nullptr},
    {10, 0, kWorkstation, 0, L"4.7.2", 1, 461808, true, L".NET Framework 4.7.2 Full installed."},
    {10, 0, kWorkstation, 0, L"4.7.2", 1, 461807, false, L".NET Framework 4.7.2 Full not installed."},
    {10, 0, kWorkstation, 0, L"4.7.2", 1, -1, false, L".NET Framework 4.7.2 Full not installed."},
    {10, 0, kWorkstation, 0, L"4.7.2", 0, 528040, false, L".NET Framework 4.7.2 Full not installed."},
    {6, 1, kWorkstation, 0, L"4.8", 1, -1, true, L".NET Framework 4 Full installed."},
    {6, 1, kWorkstation, 1, L"4.8", -1, -1, true, nullptr},
    {6, 0, kWorkstation, 1, L"4.7.2", 1, 461808, true, L".NET Framework 4 Full installed."},
    {6, 0, kServer, 2, L"4.7.2", 1, 461808, true, L".NET Framework 4.7.2 Full installed."},
    {5, 1, kWorkstation, 3, L"4.8", -1, -1, false, L".NET Framework 4 Full not installed."},
};

TEST(DotNetProbeTest, PathDependsOnSystemAndServicePack) {
  for (const DotNetRow& row : kDotNetRows) {
    SCOPED_TRACE(testing::Message() << row.major << "." << row.minor << " sp " << row.servicePack << " "
                                    << text::ToUtf8(row.requested) << " release " << row.release);
    FakeSystemQueries system;
    system.version = FakeSystemQueries::Make(row.major, row.minor, row.productType);
    system.version.servicePackMajor = row.servicePack;
    CountingRegistry registry;
    registry.PutKey(kHklm, kBit32, kFull);
    if (row.install >= 0) registry.PutDword(kHklm, kBit32, kFull, L"Install", row.install);
    if (row.release >= 0) registry.PutDword(kHklm, kBit32, kFull, L"Release", row.release);
    MemoryLog log;
    DotNetFrameworkProbe probe(log, system, registry);
    EXPECT_TRUE(log.Has(row.servicePack ? text::Format(L"Service pack %d installed.", row.servicePack)
                                        : L"No service pack installed."));

    EXPECT_EQ(probe.DotNet4Check(row.requested), row.answer);
    if (row.line)
      EXPECT_TRUE(log.Has(row.line));
    else
      EXPECT_EQ(registry.questions, 0);
  }
}

}  // namespace
