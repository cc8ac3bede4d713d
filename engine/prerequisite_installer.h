// Bringing the machine up to what the products need before any product package is touched:
// package files named by the definition, and the built-in component installers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "checks/system_info.h"
#include "definition/xml_document.h"
#include "engine/engine_context.h"

// What one built-in installer reports.
struct ComponentResult {
  bool success = false;
  uint32_t exitCode = 0;
  std::wstring errorText;
};

// The built-in component installers, one operation per kind; each object they use lives for one
// call, so its download folder is gone when the call returns.
class BuiltInInstallers {
 public:
  virtual ~BuiltInInstallers() = default;
  virtual ComponentResult DotNet35Sp1() = 0;
  virtual ComponentResult DotNet4(const std::wstring& version) = 0;
  virtual ComponentResult WindowsInstaller45() = 0;
  // Ensures the SQL Server Native Client; on success nativeClientFlavour is the flavour found or
  // installed (2 to 7; 8 when unknown).
  virtual ComponentResult SqlNativeClient(int& nativeClientFlavour) = 0;
  virtual bool SqlCmdInstalled() = 0;
  // Downloads and installs "SqlCmdLnUtils.msi" for the native-client flavour; the installer's result.
  virtual ComponentResult InstallSqlCmd(int nativeClientFlavour) = 0;
  virtual ComponentResult AspNet4() = 0;
};

// What the step leaves for the run besides the exit code.
struct PrerequisiteOutcome {
  std::wstring resultText;             // the failing installer's own text
  std::wstring rebootPrerequisiteName; // the name shown with a reboot or restart request
  std::wstring dotNetDisplayName;
  bool rebootNeeded = false;
};

// The machine facts the step decides by.
struct PrerequisiteMachine {
  OsCode osCode = OsUnknown;
  int servicePackMajor = 0;
  std::function<bool()> rebootRequired;     // the reboot-required flag, as this process sees it
  std::function<void()> setRebootRequired;  // sets the flag for later processes
};

class PrerequisiteInstaller {
 public:
  PrerequisiteInstaller(EngineContext& context, BuiltInInstallers& builtIns, PrerequisiteMachine machine,
                        PrerequisiteOutcome& outcome);

  // True when the installation may go on; the run's exit code says why not.
  bool InstallPrerequisites();

  // What the step would do with each prerequisite, into the run's report and the log; nothing is
  // installed. False when the definition's prerequisites cannot be selected.
  bool PlanPrerequisites();

  const std::vector<std::wstring>& InstalledList() const { return installedList_; }
  // "Microsoft .NET Framework <version>" where the current framework line can be installed, else
  // "Microsoft .NET Framework 4".
  static std::wstring DotNetDisplayName(OsCode osCode, int servicePackMajor, const std::wstring& version);

 private:
  bool Prerequisite(const XmlNode& prerequisite);
  int FilePrerequisite(const XmlNode& prerequisite);
  bool BuiltInPrerequisite(const XmlNode& prerequisite, const std::wstring& custom);
  bool DotNet4();
  void Announce(const std::wstring& name);
  void Fail(const ComponentResult& result);
  bool SelectGroups();
  // The prerequisite's entry in the run's report: its outcome, code and reason.
  void Record(const std::wstring& name, ItemOutcome outcome, int code, const std::wstring& reason = {},
              const std::wstring& log = {});
  std::wstring Read(const XmlNode& prerequisite, const wchar_t* element) const;
  std::wstring FirstProductVersion() const;

  EngineContext& context_;
  BuiltInInstallers& builtIns_;
  PrerequisiteMachine machine_;
  PrerequisiteOutcome& outcome_;
  bool selected_ = false;
  std::vector<XmlNode> groups_;
  size_t nextGroup_ = 0;
  std::wstring currentName_;
  std::vector<std::wstring> installedList_;
};
