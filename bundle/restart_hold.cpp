#include "bundle/restart_hold.h"

#include "core/exit_codes.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace bundle {

bool PendingRestartUses(platform::Registry& registry, const std::wstring& folder, int exitCode) {
  if (exitCode != exit_code::RebootRequired && exitCode != exit_code::RestartRequired) return false;
  // The view the setup wrote it in: both programs have the same bitness.
  LONG error = 0;
  const std::optional<platform::RegValue> entry =
      registry.Read(platform::Hive::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"QV_VRX",
                    platform::View::Native, error);
  return entry && text::ContainsNoCase(entry->text, folder + L"\\");
}

}  // namespace bundle
