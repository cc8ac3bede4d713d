// Token membership questions asked at start-up, and the folders only administrators may change.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

struct MembershipAnswer {
  enum class Step { Ok, SidFailed, CheckFailed };
  Step step = Step::Ok;
  bool member = false;
  DWORD error = 0;  // system error of the failed step
};

// What stands at a path the setup keeps its own files in.
struct FolderFacts {
  enum class Kind { Missing, Directory, Link, Other, Unreadable };
  Kind kind = Kind::Missing;
  bool foreignOwner = false;    // owned by neither Administrators nor SYSTEM
  bool othersMayWrite = false;  // no access list, or one letting anyone else change or add to it
  DWORD error = 0;              // the failed query of an Unreadable path
  // Someone else may rename or delete the folder or what it holds, or give himself that right:
  // it has no access list, or grants others delete, delete-child, or change of owner or list.
  bool othersMayRemove = false;
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

  virtual FolderFacts InspectFolder(const std::wstring& path) = 0;
  // A new folder whose protected access list gives Administrators and SYSTEM full control,
  // inherited by all it holds. 0 or the system error.
  virtual DWORD CreateProtectedFolder(const std::wstring& path) = 0;
  // Owner Administrators and the same protected access list on an existing folder.
  virtual DWORD ProtectFolder(const std::wstring& path) = 0;
  // A new protected folder named "<base>.<32 hexadecimal digits from the system's random
  // generator>", so nobody can plant anything under its name beforehand. 0 or the system error.
  virtual DWORD CreateFreshProtectedFolder(const std::wstring& base, std::wstring& made) = 0;
  // Does anything below the folder (at any depth, never followed) carry a reparse point, or can
  // its entries not be listed? Such a folder cannot be written into safely.
  virtual bool HoldsLink(const std::wstring& path) = 0;
  // For a shared folder (C:\Temp): owner Administrators, and a protected access list that keeps
  // every right others have to add to it and to what they made, but gives the rights to rename
  // or delete it or its entries, or to change its owner or list, to Administrators and SYSTEM.
  virtual DWORD GuardSharedFolder(const std::wstring& path) = 0;
};

class Win32Security final : public Security {
 public:
  MembershipAnswer IsSystemAccount() override;
  bool ProcessTokenIsAdministrator() override;
  bool LinkedTokenIsAdministrator() override;
  bool SessionId(DWORD& session) override;
  FolderFacts InspectFolder(const std::wstring& path) override;
  DWORD CreateProtectedFolder(const std::wstring& path) override;
  DWORD ProtectFolder(const std::wstring& path) override;
  DWORD CreateFreshProtectedFolder(const std::wstring& base, std::wstring& made) override;
  bool HoldsLink(const std::wstring& path) override;
  DWORD GuardSharedFolder(const std::wstring& path) override;
};

}  // namespace platform
