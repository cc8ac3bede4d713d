// The one-file setup: checks the distribution it carries, unpacks it into a folder of its own
// that only administrators may change, runs its setup.exe with this run's arguments and returns
// that setup's exit code.
#include <windows.h>

#include <stdlib.h>

#include <vector>

#include "bundle/bundle_file.h"
#include "bundle/command_tail.h"
#include "bundle/report.h"
#include "bundle/restart_hold.h"
#include "bundle/unpack.h"
#include "platform/registry.h"
#include "platform/remove_tree.h"
#include "platform/run_program.h"
#include "platform/text.h"
#include "platform/win32_folders.h"

namespace {

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// A message box in session 0, or as the system account, waits for a click nobody can give.
bool RunsSilent(platform::Security& security, const std::vector<std::wstring>& arguments) {
  DWORD session = 1;
  return bundle::AsksForSilence(arguments) || (security.SessionId(session) && session == 0) ||
         security.IsSystemAccount().member;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::RestrictDllSearchToSystemFolder();
  std::vector<std::wstring> arguments(__wargv + (__argc > 0 ? 1 : 0), __wargv + __argc);
  platform::Win32Security security;
  bundle::Report report(security, RunsSilent(security, arguments));
  const std::wstring self = OwnPath();

  bundle::Unpacked unpacked;
  {
    bundle::CheckedBundle checked = bundle::CheckBundle(self);
    if (checked.failure != 0) {
      report.Refuse(self, checked.failure, checked.problem);
      return checked.failure;
    }
    unpacked = bundle::Unpack(security, checked);
    if (unpacked.failure != 0) {
      report.Refuse(self, unpacked.failure, unpacked.problem);
      return unpacked.failure;
    }
  }
  report.Log(text::Format(L"%s unpacked into %s", self, unpacked.folder));

  const std::wstring setup = unpacked.folder + L"\\setup.exe";
  DWORD code = 0;
  const DWORD error = platform::RunAndWait(setup, bundle::ChildCommandLine(setup, bundle::ArgumentsTail(GetCommandLineW())), code);
  if (error != 0) {
    platform::RemoveTree(unpacked.folder);
    report.Refuse(self, exit_code::BundleStartFailed,
                  text::Format(L"starting %s failed with error code %d", setup, static_cast<int>(error)));
    return exit_code::BundleStartFailed;
  }
  report.Log(text::Format(L"%s returned %d", setup, static_cast<int>(code)));
  platform::Win32Registry registry;
  if (bundle::PendingRestartUses(registry, unpacked.folder, static_cast<int>(code))) {
    report.Log(text::Format(L"%s stays for the pending restart that runs from it", unpacked.folder));
  } else if (!platform::RemoveTree(unpacked.folder)) {
    report.Log(text::Format(L"%s could not be removed entirely; what is left goes at the next restart", unpacked.folder));
  }
  return static_cast<int>(code);
}
