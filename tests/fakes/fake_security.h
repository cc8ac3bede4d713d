// Token answers chosen by the test.
#pragma once

#include "platform/security.h"

class FakeSecurity : public platform::Security {
 public:
  platform::MembershipAnswer systemAccount;
  bool processAdmin = true;
  bool linkedAdmin = false;
  bool sessionOk = true;
  DWORD session = 1;
  int linkedTokenQueries = 0;

  platform::MembershipAnswer IsSystemAccount() override { return systemAccount; }
  bool ProcessTokenIsAdministrator() override { return processAdmin; }
  bool LinkedTokenIsAdministrator() override {
    ++linkedTokenQueries;
    return linkedAdmin;
  }
  bool SessionId(DWORD& s) override {
    s = session;
    return sessionOk;
  }
};
