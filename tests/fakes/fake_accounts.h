// Logons and rights answered by the test, with every call recorded.
#pragma once

#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/text.h"

class FakeAccounts : public platform::Accounts {
 public:
  DWORD serviceError = 0;  // 0: the service logon succeeds
  DWORD batchError = 0;
  platform::RightAnswer right{platform::RightAnswer::Step::Ok, true, 0};
  std::vector<std::wstring> calls;

  DWORD Logon(const std::wstring& user, const std::wstring& domain, const std::wstring& password,
              platform::LogonKind kind) override {
    const bool service = kind == platform::LogonKind::Service;
    calls.push_back(text::Format(L"%s %s\\%s [%s]", service ? L"service" : L"batch", domain, user, password));
    return service ? serviceError : batchError;
  }
  platform::RightAnswer HoldsRight(const std::wstring& account, const std::wstring& name) override {
    calls.push_back(L"right " + account + L" " + name);
    return right;
  }
};
