#include <windows.h>
#include <sddl.h>

#include "platform/handles.h"
#include "platform/security.h"

namespace platform {
namespace {

bool TokenIsAdministrator(HANDLE token) {
  BYTE sidBuffer[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof(sidBuffer);
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sidBuffer, &sidSize)) return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(token, sidBuffer, &member)) return false;
  return member != FALSE;
}

// CheckTokenMembership wants an impersonation token, not the primary one.
UniqueHandle ImpersonationToken() {
  UniqueHandle process;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.put())) return {};
  UniqueHandle impersonation;
  if (!DuplicateToken(process.get(), SecurityIdentification, impersonation.put())) return {};
  return impersonation;
}

}  // namespace

MembershipAnswer Win32Security::IsSystemAccount() {
  MembershipAnswer answer;
  LocalSid sid;
  if (!ConvertStringSidToSidW(L"S-1-5-18", sid.put())) {
    answer.step = MembershipAnswer::Step::SidFailed;
    answer.error = GetLastError();
    return answer;
  }
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, sid.get(), &member)) {
    answer.step = MembershipAnswer::Step::CheckFailed;
    answer.error = GetLastError();
    return answer;
  }
  answer.member = member != FALSE;
  return answer;
}

bool Win32Security::ProcessTokenIsAdministrator() {
  UniqueHandle token = ImpersonationToken();
  return token && TokenIsAdministrator(token.get());
}

bool Win32Security::LinkedTokenIsAdministrator() {
  UniqueHandle process;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, process.put())) return false;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(process.get(), TokenLinkedToken, &linked, sizeof(linked), &size)) return false;
  UniqueHandle owner(linked.LinkedToken);
  return TokenIsAdministrator(owner.get());
}

bool Win32Security::SessionId(DWORD& session) {
  return ProcessIdToSessionId(GetCurrentProcessId(), &session) != FALSE;
}

}  // namespace platform
