#include <windows.h>

#include <ntsecapi.h>

#include <vector>

#include "platform/accounts.h"
#include "platform/handles.h"

namespace platform {

namespace {

using LsaPolicy = UniqueOwner<ClosedBy<LSA_HANDLE, &::LsaClose>>;

// Memory the LSA allocated for an answer.
struct LsaFreed {
  void* p = nullptr;
  ~LsaFreed() {
    if (p) LsaFreeMemory(p);
  }
};

DWORD LsaError(NTSTATUS status) { return LsaNtStatusToWinError(status); }

}  // namespace

DWORD Win32Accounts::Logon(const std::wstring& user, const std::wstring& domain, const std::wstring& password,
                           LogonKind kind) {
  UniqueHandle token;
  const DWORD type = kind == LogonKind::Service ? LOGON32_LOGON_SERVICE : LOGON32_LOGON_BATCH;
  if (!LogonUserW(user.c_str(), domain.c_str(), password.c_str(), type, LOGON32_PROVIDER_DEFAULT, token.put()))
    return GetLastError();
  return 0;
}

RightAnswer Win32Accounts::HoldsRight(const std::wstring& account, const std::wstring& right) {
  RightAnswer answer;
  LSA_OBJECT_ATTRIBUTES attributes{};
  LsaPolicy policy;
  NTSTATUS status =
      LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_VIEW_LOCAL_INFORMATION, policy.put());
  if (status != 0) {
    answer.step = RightAnswer::Step::OpenPolicy;
    answer.error = LsaError(status);
    return answer;
  }

  DWORD sidSize = 0, domainSize = 0;
  SID_NAME_USE use{};
  if (!LookupAccountNameW(nullptr, account.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    answer.step = RightAnswer::Step::SidSize;
    answer.error = GetLastError();
    return answer;
  }
  std::vector<BYTE> sid(sidSize ? sidSize : 1);
  std::vector<wchar_t> domain(domainSize ? domainSize : 1);
  if (!LookupAccountNameW(nullptr, account.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use)) {
    answer.step = RightAnswer::Step::SidFill;
    answer.error = GetLastError();
    return answer;
  }

  LsaFreed rights;
  ULONG count = 0;
  status =
      LsaEnumerateAccountRights(policy.get(), sid.data(), reinterpret_cast<PLSA_UNICODE_STRING*>(&rights.p), &count);
  if (status != 0) {
    answer.step = RightAnswer::Step::EnumerateRights;
    answer.error = LsaError(status);
    return answer;
  }
  const auto* list = static_cast<const LSA_UNICODE_STRING*>(rights.p);
  for (ULONG i = 0; i < count && !answer.held; ++i)
    answer.held = std::wstring(list[i].Buffer, list[i].Length / sizeof(wchar_t)) == right;
  return answer;
}

}  // namespace platform
