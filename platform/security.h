// Token membership questions asked at start-up.
#pragma once

#include <windows.h>

namespace platform {

struct MembershipAnswer {
  enum class Step { Ok, SidFailed, CheckFailed };
  Step step = Step::Ok;
  bool member = false;
  DWORD error = 0;  // system error of the failed step
};

class Security {
 public:
  virtual ~Security() = default;
  // Is the process token a member of the local system account (S-1-5-18)?
  virtual MembershipAnswer IsSystemAccount() = 0;
  // Is the process token a member of the built-in Administrators group? false on any failure.
  virtual bool ProcessTokenIsAdministrator() = 0;
  // Is the linked (elevated) token of a split token a member of Administrators? false on any failure.
  virtual bool LinkedTokenIsAdministrator() = 0;
  // Terminal session of this process; false when it cannot be read.
  virtual bool SessionId(DWORD& session) = 0;
};

class Win32Security final : public Security {
 public:
  MembershipAnswer IsSystemAccount() override;
  bool ProcessTokenIsAdministrator() override;
  bool LinkedTokenIsAdministrator() override;
  bool SessionId(DWORD& session) override;
};

}  // namespace platform
