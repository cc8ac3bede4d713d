#include "checks/service_probes.h"

#include "probe_fixture.h"

namespace {

using ServiceProbesTest = ProbeFixture;

TEST_F(ServiceProbesTest, IndexingServiceStates) {
  struct Row {
    DWORD managerError, openError, queryError, state;
    int answer;
    const wchar_t* line;
  };
  const Row rows[] = {
      {0, 0, 0, SERVICE_RUNNING, IndexingRunning, L"Indexing service is running."},
      {0, 0, 0, SERVICE_STOPPED, IndexingStopped, L"Indexing service is stopped."},
      {0, 0, 0, SERVICE_PAUSED, IndexingPaused, L"Indexing service is paused."},
      {0, 0, 0, SERVICE_START_PENDING, IndexingUnknown, L"Indexing service is installed."},
      {0, 0, ERROR_SERVICE_NOT_ACTIVE, 0, IndexingUnknown, L"Indexing service not running."},
      {0, 0, ERROR_ACCESS_DENIED, 0, IndexingUnknown, L"ServiceQueryStatus failed with error code 5"},
      {0, ERROR_SERVICE_DOES_NOT_EXIST, 0, 0, IndexingUnknown, L"Indexing service not installed."},
      {0, ERROR_ACCESS_DENIED, 0, 0, IndexingUnknown, L"OpenService failed with error code 5"},
      {ERROR_ACCESS_DENIED, 0, 0, 0, IndexingUnknown, L"OpenSCManager failed with error code 5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.line));
    FakeServices services;
    services.services[L"CISVC"] = {row.managerError, row.openError, row.queryError, row.state};
    MemoryLog lines;
    EXPECT_EQ(IndexingServiceState(lines, services), row.answer);
    EXPECT_TRUE(lines.Has(row.line));
    EXPECT_EQ(services.asked, std::vector<std::wstring>{L"CISVC status"});
  }
}

TEST_F(ServiceProbesTest, MsmqCoreValueInTheWow64AwareView) {
  const wchar_t key[] = L"Software\\Microsoft\\MSMQ\\Setup";
  fake.registry.PutDword(kHklm, kBit32, key, L"msmq_Core", 1);
  EXPECT_FALSE(MsmqCheck(log, fake.registry, fake.system));
  fake.system.is64 = false;
  EXPECT_TRUE(MsmqCheck(log, fake.registry, fake.system));
  EXPECT_EQ(log.Count(L"MSMQ is installed."), 1u);
}

}  // namespace
