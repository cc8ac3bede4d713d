// Windows accounts: whether an account can log on, and the rights a local account holds.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

enum class LogonKind { Service, Batch };

// The answer to "does this account hold that right", naming the step that failed.
struct RightAnswer {
  enum class Step { Ok, OpenPolicy, SidSize, SidFill, EnumerateRights };
  Step step = Step::Ok;
  bool held = false;
  DWORD error = 0;  // Windows error of the failed step (LSA statuses converted)
};

class Accounts {
 public:
  virtual ~Accounts() = default;
  // LogonUserW with the default provider; the token is closed at once. 0 or the system error.
  virtual DWORD Logon(const std::wstring& user, const std::wstring& domain, const std::wstring& password,
                      LogonKind kind) = 0;
  // Whether the local account (a group, say) holds the right, through the local security policy
  // opened for lookup and view.
  virtual RightAnswer HoldsRight(const std::wstring& account, const std::wstring& right) = 0;
};

class Win32Accounts final : public Accounts {
 public:
  DWORD Logon(const std::wstring& user, const std::wstring& domain, const std::wstring& password,
              LogonKind kind) override;
  RightAnswer HoldsRight(const std::wstring& account, const std::wstring& right) override;
};

}  // namespace platform
