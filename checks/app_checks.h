// Programs that must not run and files that must not be held open while the setup works.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "checks/check_context.h"

// One entry of the definition's running-program or locked-file list.
struct App {
  std::wstring Name;        // display name of the program
  std::wstring Executable;  // executable file name (shown to the user for a locked file)
  std::wstring File;        // full path of a file that must not be locked
};
using AppList = std::vector<std::shared_ptr<App>>;

class AppCheck {
 public:
  explicit AppCheck(CheckContext& context) : context_(context) {}

  // True when the run may go on: none of the listed programs runs, or the user closed them.
  bool CheckRunningApps();
  // True when programs are still running (the user cancelled, or the run is silent).
  bool FindRunningApps();

  const AppList& Apps() const { return apps_; }

 private:
  CheckContext& context_;
  AppList apps_;
};

class FilesInUse {
 public:
  explicit FilesInUse(CheckContext& context) : context_(context) {}

  // True when the run may go on: no listed file is locked, or the user freed them.
  bool CheckFilesInUse();
  // True when files are still locked (the user cancelled, or the run is silent).
  bool FindLockedFiles();

  const AppList& Apps() const { return apps_; }

 private:
  CheckContext& context_;
  AppList apps_;
};
