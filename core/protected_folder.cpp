#include "core/protected_folder.h"

#include <windows.h>

#include "platform/text.h"

namespace {

using Kind = platform::FolderFacts::Kind;

// A link or a file where the folder belongs goes; its target is never touched.
bool ClearWayFor(platform::Security& security, const std::wstring& path, Kind kind, std::vector<std::wstring>& notes) {
  if (kind != Kind::Link && kind != Kind::Other) return true;
  const wchar_t* what = kind == Kind::Link ? L"a link" : L"a file";
  DWORD error = security.RemoveLink(path);
  if (error != 0) {
    notes.push_back(text::Format(L"%s is %s, not a folder; removing it failed with error code %d", path, what,
                                 static_cast<int>(error)));
    return false;
  }
  notes.push_back(text::Format(L"%s was %s, not a folder; it was removed and a folder made in its place", path, what));
  return true;
}

}  // namespace

ProtectedFolder MakeProtectedFolder(platform::Security& security, const std::wstring& path) {
  ProtectedFolder result;
  platform::FolderFacts facts = security.InspectFolder(path);
  if (facts.kind == Kind::Unreadable) {
    result.notes.push_back(text::Format(L"Reading %s failed with error code %d", path, static_cast<int>(facts.error)));
    return result;
  }
  if (!ClearWayFor(security, path, facts.kind, result.notes)) return result;
  if (facts.kind != Kind::Directory) {
    DWORD error = security.CreateProtectedFolder(path);
    if (error != 0) {
      result.notes.push_back(text::Format(L"Creating %s failed with error code %d", path, static_cast<int>(error)));
      return result;
    }
    result.usable = true;
    return result;
  }
  if (facts.foreignOwner || facts.othersMayWrite) {
    DWORD error = security.ProtectFolder(path);
    if (error != 0) {
      result.notes.push_back(text::Format(L"%s can be changed by other users; taking it over failed with error code %d",
                                          path, static_cast<int>(error)));
      return result;
    }
    result.notes.push_back(text::Format(
        L"%s could be changed by other users; its owner and access were reset to administrators only", path));
  }
  result.usable = true;
  return result;
}

bool MakeSharedFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes) {
  platform::FolderFacts facts = security.InspectFolder(path);
  if (facts.kind != Kind::Directory) {
    if (!ClearWayFor(security, path, facts.kind, notes)) return false;
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    // A folder made here inherits the drive root's list, which lets every user rename it.
    facts = security.InspectFolder(path);
  }
  if (!facts.othersMayRemove) return true;
  DWORD error = security.GuardSharedFolder(path);
  if (error != 0) {
    notes.push_back(text::Format(L"%s can be renamed or emptied by other users; taking that back failed with error code %d",
                                 path, static_cast<int>(error)));
    return false;
  }
  notes.push_back(text::Format(
      L"%s could be renamed or emptied by other users; only administrators may now remove what it holds", path));
  return true;
}
