#include "checks/service_probes.h"

#include "checks/probe_registry.h"
#include "core/log_file.h"

bool ServiceRunning(platform::Services& services, const std::wstring& name) {
  return services.Query(name, true).Running();
}

int IndexingServiceState(LogFile& log, platform::Services& services) {
  const platform::ServiceQuery query = services.Query(L"CISVC", false);
  if (query.managerError) {
    log.Log(L"OpenSCManager failed with error code %d", query.managerError);
    return IndexingUnknown;
  }
  if (query.openError == ERROR_SERVICE_DOES_NOT_EXIST) {
    log.WriteLine(L"Indexing service not installed.");
    return IndexingUnknown;
  }
  if (query.openError) {
    log.Log(L"OpenService failed with error code %d", query.openError);
    return IndexingUnknown;
  }
  log.WriteLine(L"Indexing service is installed.");
  if (query.queryError == ERROR_SERVICE_NOT_ACTIVE) {
    log.WriteLine(L"Indexing service not running.");
    return IndexingUnknown;
  }
  if (query.queryError) {
    log.Log(L"ServiceQueryStatus failed with error code %d", query.queryError);
    return IndexingUnknown;
  }
  switch (query.state) {
    case SERVICE_STOPPED:
      log.WriteLine(L"Indexing service is stopped.");
      return IndexingStopped;
    case SERVICE_RUNNING:
      log.WriteLine(L"Indexing service is running.");
      return IndexingRunning;
    case SERVICE_PAUSED:
      log.WriteLine(L"Indexing service is paused.");
      return IndexingPaused;
    default:
      return IndexingUnknown;
  }
}

bool MsmqCheck(LogFile& log, platform::Registry& registry, platform::SystemQueries& system) {
  DWORD core = 0;
  LONG error = 0;
  if (!probe_registry::ReadNumber(registry, L"Software\\Microsoft\\MSMQ\\Setup", L"msmq_Core",
                                  probe_registry::Wow64AwareView(system), core, error) ||
      core != 1)
    return false;
  log.WriteLine(L"MSMQ is installed.");
  return true;
}
