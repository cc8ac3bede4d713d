#include "core/protected_folder.h"

#include <windows.h>

#include "platform/text.h"

namespace {

using Kind = platform::FolderFacts::Kind;

std::wstring WhatStands(const platform::FolderFacts& facts) {
  switch (facts.kind) {
    case Kind::Link:
      return L"is a link, not a folder";
    case Kind::Other:
      return L"is a file, not a folder";
    case Kind::Unreadable:
      return text::Format(L"cannot be read (error code %d)", static_cast<int>(facts.error));
    default:
      return {};
  }
}

// Empty when the folder at `path` is now a plain folder only administrators may change and that
// holds no link; else what is wrong with it.
std::wstring TakeFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes) {
  const platform::FolderFacts facts = security.InspectFolder(path);
  std::wstring problem = WhatStands(facts);
  if (!problem.empty()) return problem;
  if (facts.kind == Kind::Missing) {
    DWORD error = security.CreateProtectedFolder(path);
    return error == 0 ? std::wstring() : text::Format(L"could not be created (error code %d)", static_cast<int>(error));
  }
  if (facts.foreignOwner || facts.othersMayWrite) {
    DWORD error = security.ProtectFolder(path);
    if (error != 0)
      return text::Format(L"can be changed by other users and taking it over failed with error code %d",
                          static_cast<int>(error));
    notes.push_back(text::Format(
        L"%s could be changed by other users; its owner and access were reset to administrators only", path));
  }
  // Planted while others could write to it, or by an earlier administrator: either way a file
  // written there could land elsewhere.
  if (security.HoldsLink(path)) return L"holds a link";
  return {};
}

}  // namespace

ProtectedFolder MakeFreshProtectedFolder(platform::Security& security, const std::wstring& base,
                                         const std::wstring& why) {
  ProtectedFolder result;
  DWORD error = security.CreateFreshProtectedFolder(base, result.path);
  if (error != 0) {
    result.path.clear();
    result.notes.push_back(
        text::Format(L"%s; creating a new folder beside it failed with error code %d", why, static_cast<int>(error)));
    return result;
  }
  result.usable = true;
  result.notes.push_back(text::Format(L"%s; %s is used instead", why, result.path));
  return result;
}

ProtectedFolder MakeProtectedFolder(platform::Security& security, const std::wstring& path, InPlaceOf fallback) {
  ProtectedFolder result;
  const std::wstring problem = TakeFolder(security, path, result.notes);
  if (problem.empty()) {
    result.usable = true;
    result.path = path;
    return result;
  }
  const std::wstring why = text::Format(L"%s %s; it is left as it is", path, problem);
  if (fallback == InPlaceOf::Nothing) {
    result.notes.push_back(why + L" and not used");
    return result;
  }
  ProtectedFolder fresh = MakeFreshProtectedFolder(security, path, why);
  fresh.notes.insert(fresh.notes.begin(), result.notes.begin(), result.notes.end());
  return fresh;
}

SharedFolder MakeSharedFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes) {
  platform::FolderFacts facts = security.InspectFolder(path);
  if (facts.kind == Kind::Missing) {
    CreateDirectoryW(path.c_str(), nullptr);
    // Whatever stands now (made here, or planted meanwhile) is judged like what was found; a folder
    // made here inherits the drive root's list, which lets every user rename it.
    facts = security.InspectFolder(path);
  }
  if (facts.kind != Kind::Directory) {
    std::wstring problem = WhatStands(facts);
    if (problem.empty()) problem = L"could not be created";
    notes.push_back(text::Format(L"%s %s; it is left as it is and not used", path, problem));
    return SharedFolder::Unusable;
  }
  if (!facts.othersMayRemove) return SharedFolder::Guarded;
  DWORD error = security.GuardSharedFolder(path);
  if (error != 0) {
    notes.push_back(text::Format(L"%s can be renamed or emptied by other users; taking that back failed with error code %d",
                                 path, static_cast<int>(error)));
    return SharedFolder::Unguarded;
  }
  notes.push_back(text::Format(
      L"%s could be renamed or emptied by other users; only administrators may now remove what it holds", path));
  return SharedFolder::Guarded;
}
