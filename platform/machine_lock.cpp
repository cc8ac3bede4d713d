#include "platform/machine_lock.h"

#include <aclapi.h>
#include <sddl.h>

namespace platform {
namespace {

// Owned by Administrators, opened only by them and the system; a token that may not name
// Administrators its owner keeps its own.
constexpr const wchar_t* kLockDescriptors[] = {L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)", L"D:P(A;;GA;;;BA)(A;;GA;;;SY)"};

HANDLE CreateProtectedMutex(const wchar_t* name) {
  DWORD error = ERROR_INVALID_OWNER;
  for (const wchar_t* sddl : kLockDescriptors) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
      return nullptr;
    LocalMemory held(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    HANDLE mutex = CreateMutexW(&attributes, FALSE, name);
    if (mutex) return mutex;  // GetLastError tells whether it stood already
    error = GetLastError();
    if (error != ERROR_INVALID_OWNER) break;
  }
  SetLastError(error);
  return nullptr;
}

}  // namespace

std::wstring ForeignOwner(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                nullptr, &descriptor);
  LocalMemory held(descriptor);
  if (error != ERROR_SUCCESS || !owner) return L"?";
  if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(owner, &text)) return L"?";
  LocalMemory textHeld(text);
  return text;
}

MachineLock::MachineLock(const wchar_t* name, DWORD waitMilliseconds) {
  mutex_.reset(CreateProtectedMutex(name));
  if (!mutex_) {
    error_ = GetLastError();
    // One made by another user with a list that shuts administrators out is a squatter too.
    if (error_ == ERROR_ACCESS_DENIED) {
      squatter_ = L"?";
      held_ = true;
    }
    return;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Only a setup, running as administrator or system, may make the lock. Ours leaves the owner
    // Administrators; a plain token's setup never gets this far.
    std::wstring owner = ForeignOwner(mutex_.get());
    if (!owner.empty() && owner != L"?") {
      squatter_ = owner;
      mutex_.reset();
      held_ = true;
      return;
    }
  }
  const DWORD wait = WaitForSingleObject(mutex_.get(), waitMilliseconds);
  held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  if (!held_) error_ = wait == WAIT_TIMEOUT ? ERROR_ALREADY_EXISTS : GetLastError();
}

}  // namespace platform
