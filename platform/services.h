// Status queries against the service control manager.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// What one status query found. A non-zero error says which step failed; the later fields are
// then meaningless.
struct ServiceQuery {
  DWORD managerError = 0;  // opening the service control manager
  DWORD openError = 0;     // opening the service (ERROR_SERVICE_DOES_NOT_EXIST when it is absent)
  DWORD queryError = 0;    // querying its status
  DWORD state = 0;         // SERVICE_RUNNING, SERVICE_STOPPED, ...
  bool Running() const { return managerError == 0 && openError == 0 && queryError == 0 && state == SERVICE_RUNNING; }
};

class Services {
 public:
  virtual ~Services() = default;
  // fullAccess opens the manager and the service with all access rights; otherwise the manager
  // is connected with the default rights and the service for status queries only.
  virtual ServiceQuery Query(const std::wstring& name, bool fullAccess) = 0;
};

class Win32Services final : public Services {
 public:
  ServiceQuery Query(const std::wstring& name, bool fullAccess) override;
};

}  // namespace platform
