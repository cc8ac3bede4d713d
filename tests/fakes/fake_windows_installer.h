// Windows Installer answers chosen by the test, with every call recorded.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/windows_installer.h"

class FakeWindowsInstaller : public platform::WindowsInstaller {
 public:
  std::map<std::wstring, int> states;                     // product code (upper case) -> state
  std::map<std::wstring, std::wstring> installLocations;  // product code (upper case) -> InstallLocation
  std::map<std::wstring, UINT> installResults;            // package path -> MsiInstallProductW result
  std::map<std::wstring, UINT> configureResults;          // product code (upper case) -> result
  std::map<std::wstring, UINT> addSourceResults;          // package path -> MsiSourceListAddSourceExW result
  bool installSetsState = true;  // a successful install makes the package's product "installed"
  std::map<std::wstring, std::wstring> packageCodes;      // package path -> product code it installs
  bool transactionsAvailable = true;
  UINT beginResult = 0;
  std::deque<UINT> endResults;  // answers of MsiEndTransaction in turn; 0 when exhausted
  std::vector<std::wstring> calls;
  std::wstring logPath;  // the last one enabled
  // Writes the enabled log as an installer would: the path and the property string.
  std::function<void(const std::wstring& path, const std::wstring& commandLine)> writeLog;

  static std::wstring Key(const std::wstring& code) {
    std::wstring k = code;
    for (auto& c : k) c = static_cast<wchar_t>(towupper(c));
    return k;
  }
  int QueryProductState(const std::wstring& code) override {
    calls.push_back(L"QueryProductState " + code);
    auto it = states.find(Key(code));
    return it == states.end() ? -1 : it->second;
  }
  bool GetProductInfo(const std::wstring& code, const std::wstring& property, std::wstring& value) override {
    calls.push_back(L"GetProductInfo " + code + L" " + property);
    value.clear();
    if (property != L"InstallLocation") return false;
    auto it = installLocations.find(Key(code));
    if (it == installLocations.end()) return false;
    value = it->second;
    return true;
  }
  int uiLevel = 5;  // INSTALLUILEVEL_FULL, as a new process starts
  int SetInternalUI(int level) override {
    calls.push_back(L"SetInternalUI " + std::to_wstring(level));
    return std::exchange(uiLevel, level);
  }
  // The external-UI handler as the installer would call it: each install sends
  // progressPerInstall progress messages and records the handler's answers.
  INSTALLUI_HANDLERW handler = nullptr;
  void* handlerContext = nullptr;
  int progressPerInstall = 0;
  std::vector<int> handlerAnswers;
  void SetExternalUI(INSTALLUI_HANDLERW h, DWORD filter, void* context) override {
    calls.push_back(text::Format(L"SetExternalUI %#x", filter));
    handler = h;
    handlerContext = context;
  }
  int Notify(UINT type, const wchar_t* message) {
    int answer = handler ? handler(handlerContext, type, message) : 0;
    handlerAnswers.push_back(answer);
    return answer;
  }
  UINT EnableLog(DWORD mode, const std::wstring& path, DWORD attributes) override {
    calls.push_back(text::Format(L"EnableLog %#x %s %d", mode, path, attributes));
    logPath = path;
    return 0;
  }
  UINT InstallProduct(const std::wstring& package, const std::wstring& commandLine) override {
    calls.push_back(L"InstallProduct " + package + L" [" + commandLine + L"]");
    if (writeLog) writeLog(logPath, commandLine);
    for (int i = 0; i < progressPerInstall; ++i) Notify(INSTALLMESSAGE_PROGRESS, L"1: 2 2: 100");
    auto it = installResults.find(package);
    UINT r = it == installResults.end() ? 0 : it->second;
    if ((r == 0 || r == 3010) && installSetsState) {
      auto code = packageCodes.find(package);
      if (code != packageCodes.end()) states[Key(code->second)] = 5;
    }
    return r;
  }
  UINT ConfigureProductEx(const std::wstring& code, int level, int state, const std::wstring& commandLine) override {
    calls.push_back(text::Format(L"ConfigureProductEx %s %d %d [%s]", code, level, state, commandLine));
    auto it = configureResults.find(Key(code));
    UINT r = it == configureResults.end() ? 0 : it->second;
    if (r == 0 || r == 3010) states.erase(Key(code));
    return r;
  }
  UINT ReinstallProduct(const std::wstring& code, DWORD mode) override {
    calls.push_back(text::Format(L"ReinstallProduct %s %#x", code, mode));
    return 0;
  }
  UINT AddSourceFolder(const std::wstring& code, const std::wstring& packagePath) override {
    calls.push_back(text::Format(L"AddSourceFolder %s %s", code, packagePath));
    auto it = addSourceResults.find(packagePath);
    return it == addSourceResults.end() ? 0 : it->second;
  }

  class Transactions : public platform::MsiTransactions {
   public:
    explicit Transactions(FakeWindowsInstaller& owner) : owner_(owner) {}
    bool Available() const override { return owner_.transactionsAvailable; }
    UINT Begin(const std::wstring& name, DWORD attributes) override {
      owner_.calls.push_back(text::Format(L"BeginTransaction %s %d", name, attributes));
      return owner_.beginResult;
    }
    UINT End(DWORD state) override {
      owner_.calls.push_back(text::Format(L"EndTransaction %d", state));
      if (owner_.endResults.empty()) return 0;
      UINT r = owner_.endResults.front();
      owner_.endResults.pop_front();
      return r;
    }

   private:
    FakeWindowsInstaller& owner_;
  };
  std::unique_ptr<platform::MsiTransactions> LoadTransactions() override {
    calls.push_back(L"LoadTransactions");
    return std::make_unique<Transactions>(*this);
  }

  bool versionOk = true;
  DWORD versionMajor = 5, versionMinor = 0;
  bool Version(DWORD& major, DWORD& minor) override {
    if (!versionOk) return false;
    major = versionMajor;
    minor = versionMinor;
    return true;
  }

  // Only the calls that start with prefix, in order.
  std::vector<std::wstring> CallsStartingWith(const std::wstring& prefix) const {
    std::vector<std::wstring> out;
    for (const auto& c : calls)
      if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
  }
};
