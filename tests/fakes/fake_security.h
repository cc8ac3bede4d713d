// Token answers and folders chosen by the test.
#pragma once

#include <map>
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
  std::map<std::wstring, platform::FolderFacts> folders;
  std::vector<std::wstring> folderCalls;
  DWORD createError = 0, protectError = 0, removeError = 0;

  platform::FolderFacts InspectFolder(const std::wstring& path) override {
    auto found = folders.find(path);
    return found == folders.end() ? platform::FolderFacts{} : found->second;
  }
  DWORD CreateProtectedFolder(const std::wstring& path) override {
    return Changed(L"create " + path, createError, path, platform::FolderFacts::Kind::Directory);
  }
  DWORD ProtectFolder(const std::wstring& path) override {
    return Changed(L"protect " + path, protectError, path, platform::FolderFacts::Kind::Directory);
  }
  DWORD RemoveLink(const std::wstring& path) override {
    return Changed(L"remove " + path, removeError, path, platform::FolderFacts::Kind::Missing);
  }

 private:
  DWORD Changed(const std::wstring& call, DWORD error, const std::wstring& path, platform::FolderFacts::Kind kind) {
    folderCalls.push_back(call);
    if (error == 0) folders[path] = platform::FolderFacts{kind};
    return error;
  }
};
