// Services described by the test: absent ones answer ERROR_SERVICE_DOES_NOT_EXIST.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/services.h"

class FakeServices : public platform::Services {
 public:
  std::map<std::wstring, platform::ServiceQuery> services;  // by name as asked
  DWORD managerError = 0;
  std::vector<std::wstring> asked;

  void Put(const std::wstring& name, DWORD state) { services[name].state = state; }

  platform::ServiceQuery Query(const std::wstring& name, bool fullAccess) override {
    asked.push_back(name + (fullAccess ? L" full" : L" status"));
    platform::ServiceQuery q;
    if (managerError) {
      q.managerError = managerError;
      return q;
    }
    auto it = services.find(name);
    if (it == services.end()) {
      q.openError = ERROR_SERVICE_DOES_NOT_EXIST;
      return q;
    }
    return it->second;
  }
};
