// Folders only administrators may change: what stands at a path, creating, reclaiming, unlinking.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform/acl_entries.h"
#include "platform/handles.h"
#include "platform/security.h"
#include "platform/sha256.h"

namespace platform {
namespace {

// Administrators and SYSTEM full control, inherited by files and folders below; nothing inherited
// from above, so a shared parent such as C:\Temp adds no one.
constexpr wchar_t kProtectedDacl[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// The same, owned by Administrators rather than by whoever runs the setup.
constexpr wchar_t kProtectedFolder[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

using LocalMemory = UniqueOwner<ClosedBy<HLOCAL, &::LocalFree>>;

constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                  FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                  GENERIC_ALL;

// The account running this process. Wine keeps no access lists of its own: it shows every file
// as owned by the running user with that user and SYSTEM allowed, so an administrator running the
// setup must count as trusted too.
struct SelfSid {
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  PSID sid = nullptr;
  SelfSid() {
    UniqueHandle token;
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
        GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size))
      sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  }
};

bool IsTrusted(PSID sid, PSID self) {
  if (!sid || !IsValidSid(sid)) return false;
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         (self && EqualSid(sid, self));
}

// What lets someone other than the two remove the folder's entries or the folder itself, or take
// that right: a protected folder below a shared one is only safe while nobody else holds these.
constexpr DWORD kRemovingRights = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;

DWORD FileRights(DWORD mask) {
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  MapGenericMask(&mask, &mapping);
  return mask;
}

bool ProtectedDescriptor(LocalMemory& owner, PSECURITY_DESCRIPTOR& descriptor, const wchar_t* sddl = kProtectedDacl) {
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  owner.reset(descriptor);
  return true;
}

}  // namespace

bool OthersHold(PACL dacl, PSID self, DWORD rights, bool onFolderItself) {
  if (!dacl) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) return true;
    auto* header = static_cast<ACE_HEADER*>(entry);
    if (!IsAllowEntry(header)) continue;
    if (onFolderItself && (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    const DWORD mask = onFolderItself ? FileRights(AllowedMask(header)) : AllowedMask(header);
    if ((mask & rights) && !IsTrusted(AllowedGrantee(header), self)) return true;
  }
  return false;
}

FolderFacts Win32Security::InspectFolder(const std::wstring& path) {
  FolderFacts facts;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      facts.kind = FolderFacts::Kind::Unreadable;
      facts.error = error;
    }
    return facts;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    facts.kind = FolderFacts::Kind::Link;
    return facts;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    facts.kind = FolderFacts::Kind::Other;
    return facts;
  }
  // The name's attributes show a link Windows made; opening it without following and asking the
  // handle shows what was actually opened, whatever the name said a moment before.
  UniqueHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!opened || !GetFileInformationByHandle(opened.get(), &info)) {
    facts.kind = FolderFacts::Kind::Unreadable;
    facts.error = GetLastError();
    return facts;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    facts.kind = FolderFacts::Kind::Link;
    return facts;
  }
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    facts.kind = FolderFacts::Kind::Other;
    return facts;
  }
  facts.kind = FolderFacts::Kind::Directory;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  LocalMemory held(descriptor);
  if (error != ERROR_SUCCESS) {
    // What cannot be read cannot be trusted: it is reclaimed like a foreign folder.
    facts.foreignOwner = facts.othersMayWrite = facts.othersMayRemove = true;
    return facts;
  }
  // Only an administrator's own account is trusted; a plain user's setup trusts no one but the two.
  SelfSid self;
  PSID trustedSelf = ProcessTokenIsAdministrator() ? self.sid : nullptr;
  facts.foreignOwner = !owner || !IsTrusted(owner, trustedSelf);
  facts.othersMayWrite = OthersHold(dacl, trustedSelf, kChangingRights, false);
  // The owner may always rewrite the list, and with it give himself the right to remove.
  facts.othersMayRemove = facts.foreignOwner || OthersHold(dacl, trustedSelf, kRemovingRights, true);
  return facts;
}

DWORD Win32Security::CreateProtectedFolder(const std::wstring& path) {
  for (const wchar_t* sddl : {kProtectedFolder, kProtectedDacl}) {
    LocalMemory held;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ProtectedDescriptor(held, descriptor, sddl)) return GetLastError();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    if (CreateDirectoryW(path.c_str(), &attributes)) return 0;
    // A token that may not name Administrators its owner (not elevated) keeps its own.
    DWORD error = GetLastError();
    if (error != ERROR_INVALID_OWNER) return error;
  }
  return ERROR_INVALID_OWNER;
}

DWORD Win32Security::ProtectFolder(const std::wstring& path) {
  LocalMemory held;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ProtectedDescriptor(held, descriptor)) return GetLastError();
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return GetLastError();
  BYTE adminsBuffer[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(adminsBuffer);
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminsBuffer, &size)) return GetLastError();
  // The owner first: a foreign owner could otherwise change the list back at once.
  std::wstring name = path;
  return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                   PROTECTED_DACL_SECURITY_INFORMATION,
                               adminsBuffer, nullptr, dacl, nullptr);
}

DWORD Win32Security::CreateFreshProtectedFolder(const std::wstring& base, std::wstring& made) {
  DWORD error = ERROR_ALREADY_EXISTS;
  // A clash of 128 random bits means someone guessed nothing: it only repeats on a broken generator.
  for (int attempt = 0; attempt < 3 && error == ERROR_ALREADY_EXISTS; ++attempt) {
    unsigned char bytes[16];
    if (!SystemRandom(bytes, sizeof(bytes))) return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    const std::string hex = LowerHex(bytes, sizeof(bytes));
    made = base + L"." + std::wstring(hex.begin(), hex.end());
    error = CreateProtectedFolder(made);
  }
  if (error != 0) made.clear();
  return error;
}

bool Win32Security::HoldsLink(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((path + L"\\*").c_str(), &found));
  if (!search) return GetLastError() != ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HoldsLink(path + L"\\" + name)) return true;
  } while (FindNextFileW(search.get(), &found));
  return GetLastError() != ERROR_NO_MORE_FILES;
}

DWORD Win32Security::GuardSharedFolder(const std::wstring& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &dacl, nullptr, &descriptor);
  LocalMemory held(descriptor);
  if (error != ERROR_SUCCESS) return error;
  LocalMemory nullListHeld;
  if (!dacl) {
    // No list lets everyone do anything: everyone keeps all but the removing rights.
    PSECURITY_DESCRIPTOR everyone = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!ProtectedDescriptor(nullListHeld, everyone, L"D:(A;OICIIO;FA;;;WD)(A;;0x1201bf;;;WD)") ||
        !GetSecurityDescriptorDacl(everyone, &present, &dacl, &defaulted))
      return GetLastError();
  }
  SelfSid self;
  PSID trustedSelf = ProcessTokenIsAdministrator() ? self.sid : nullptr;
  BYTE admins[SECURITY_MAX_SID_SIZE], system[SECURITY_MAX_SID_SIZE];
  DWORD adminsSize = sizeof(admins), systemSize = sizeof(system);
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) ||
      !CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize))
    return GetLastError();

  // Each entry at most twice (an inherited-and-effective one is split), plus the two full ones.
  DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) return GetLastError();
    size += 2 * static_cast<ACE_HEADER*>(entry)->AceSize;
  }
  std::string buffer(size, '\0');
  auto* guarded = reinterpret_cast<PACL>(buffer.data());
  if (!InitializeAcl(guarded, size, ACL_REVISION_DS)) return GetLastError();
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    GetAce(dacl, i, &entry);
    auto* header = static_cast<ACE_HEADER*>(entry);
    std::string copy(static_cast<const char*>(entry), header->AceSize);
    auto* copied = reinterpret_cast<ACE_HEADER*>(copy.data());
    copied->AceFlags &= ~INHERITED_ACE;  // the list is protected: what was inherited is now its own
    DWORD keep = 0;
    bool split = false;
    if (IsAllowEntry(header) && !(header->AceFlags & INHERIT_ONLY_ACE)) {
      const DWORD rights = FileRights(AllowedMask(copied));
      if ((rights & kRemovingRights) && !IsTrusted(AllowedGrantee(copied), trustedSelf)) {
        keep = rights & ~kRemovingRights;
        // What is made below keeps a plain entry whole; only the folder itself loses the rights.
        // A conditional or object entry cannot be split without losing its condition: it loses
        // the rights everywhere.
        split = header->AceType == ACCESS_ALLOWED_ACE_TYPE &&
                (copied->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) != 0;
        if (split) {
          copied->AceFlags |= INHERIT_ONLY_ACE;
        } else {
          AllowedMask(copied) = keep;
        }
      }
    }
    if (!AddAce(guarded, ACL_REVISION_DS, MAXDWORD, copied, copied->AceSize)) return GetLastError();
    if (split && keep != 0) {
      auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(copied);
      if (!AddAccessAllowedAceEx(guarded, ACL_REVISION_DS, 0, keep, &allowed->SidStart)) return GetLastError();
    }
  }
  for (PSID trusted : {static_cast<PSID>(admins), static_cast<PSID>(system)})
    if (!AddAccessAllowedAceEx(guarded, ACL_REVISION_DS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                               trusted))
      return GetLastError();
  std::wstring name = path;
  return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                   PROTECTED_DACL_SECURITY_INFORMATION,
                               admins, nullptr, guarded, nullptr);
}

}  // namespace platform
