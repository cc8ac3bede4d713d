// Token answers and folders chosen by the test.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/security.h"

class FakeSecurity : public platform::Security {
 public:
  platform::MembershipAnswer systemAccount;
  bool processAdmin = true;
  bool linkedAdmin = false;
  bool sessionOk = true;
  DWORD session = 1;
  int linkedTokenQueries = 0;

  platform::MembershipAnswer IsSystemAccount() override { return systemAccount; }
  bool ProcessTokenIsAdministrator() override { return processAdmin; }
  bool LinkedTokenIsAdministrator() override {
    ++linkedTokenQueries;
    return linkedAdmin;
  }
  bool SessionId(DWORD& s) override {
    s = session;
    return sessionOk;
  }

  // What stands at each path (missing when absent); the calls made, in order; scripted errors.
  // With onDisk, a path the test set nothing for is a real folder (or none), and a created one is
  // made for real, so code above can write into it.
  std::map<std::wstring, platform::FolderFacts> folders;
  std::vector<std::wstring> folderCalls;
  DWORD createError = 0, protectError = 0, freshError = 0, guardError = 0;
  std::set<std::wstring> linked;  // folders holding a link somewhere below
  int freshFolders = 0;
  bool onDisk = true;

  platform::FolderFacts InspectFolder(const std::wstring& path) override {
    auto found = folders.find(path);
    if (found != folders.end()) return found->second;
    DWORD attributes = onDisk ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return platform::FolderFacts{directory ? platform::FolderFacts::Kind::Directory : platform::FolderFacts::Kind::Missing};
  }
  // On disk, a folder that already stands answers as Windows does.
  DWORD CreateProtectedFolder(const std::wstring& path) override {
    DWORD error = createError;
    if (onDisk && error == 0 && !CreateDirectoryW(path.c_str(), nullptr)) error = GetLastError();
    return Changed(L"create " + path, error, path, platform::FolderFacts::Kind::Directory);
  }
  DWORD ProtectFolder(const std::wstring& path) override {
    return Changed(L"protect " + path, protectError, path, platform::FolderFacts::Kind::Directory);
  }
  // Fresh folders are numbered, not random, so tests can name them.
  DWORD CreateFreshProtectedFolder(const std::wstring& base, std::wstring& made) override {
    made = base + L".fresh" + std::to_wstring(++freshFolders);
    DWORD error = freshError;
    if (onDisk && error == 0 && !CreateDirectoryW(made.c_str(), nullptr)) error = GetLastError();
    return Changed(L"fresh " + made, error, made, platform::FolderFacts::Kind::Directory);
  }
  bool HoldsLink(const std::wstring& path) override { return linked.count(path) != 0; }
  DWORD GuardSharedFolder(const std::wstring& path) override {
    return Changed(L"guard " + path, guardError, path, platform::FolderFacts::Kind::Directory);
  }

 private:
  DWORD Changed(const std::wstring& call, DWORD error, const std::wstring& path, platform::FolderFacts::Kind kind) {
    folderCalls.push_back(call);
    if (error == 0) folders[path] = platform::FolderFacts{kind};
    return error;
  }
};
