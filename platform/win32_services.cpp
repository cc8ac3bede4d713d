#include <windows.h>

#include "platform/handles.h"
#include "platform/services.h"

namespace platform {

ServiceQuery Win32Services::Query(const std::wstring& name, bool fullAccess) {
  ServiceQuery result;
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, fullAccess ? SC_MANAGER_ALL_ACCESS : SC_MANAGER_CONNECT));
  if (!manager) {
    result.managerError = GetLastError();
    return result;
  }
  ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), fullAccess ? SERVICE_ALL_ACCESS : SERVICE_QUERY_STATUS));
  if (!service) {
    result.openError = GetLastError();
    return result;
  }
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(service.get(), &status)) {
    result.queryError = GetLastError();
    return result;
  }
  result.state = status.dwCurrentState;
  return result;
}

}  // namespace platform
