#include "engine/reboot_flag.h"

#include <windows.h>

#include "core/log_file.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {
constexpr wchar_t kEnvironmentKey[] = L"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
}

bool RebootRequired(LogFile& log) {
  if (!text::EqualsNoCase(platform::EnvironmentValue(L"ZEM-REBOOT-REQUIRED"), L"true")) return false;
  log.WriteLine(L"Reboot required");
  return true;
}

void SetRebootRequiredFlag(LogFile& log, platform::Registry& registry) {
  LONG opened = registry.KeyStatus(platform::Hive::LocalMachine, kEnvironmentKey, platform::View::Native);
  if (opened != ERROR_SUCCESS) {
    log.Log(L"Opening HKEY_LOCAL_MACHINE\\%s returned error %#X", kEnvironmentKey, static_cast<unsigned>(opened));
    return;
  }
  LONG written = registry.WriteString(platform::Hive::LocalMachine, kEnvironmentKey, L"ZEM-REBOOT-REQUIRED", L"true",
                                      platform::View::Native);
  if (written != ERROR_SUCCESS) {
    log.Log(L"Saving HKEY_LOCAL_MACHINE\\%s key's ZEM-REBOOT_REQUIRED value returned error %#X", kEnvironmentKey,
            static_cast<unsigned>(written));
    return;
  }
  log.WriteLine(L"Setting ZEM-REBOOT-REQUIRED environment variable to true.");
  platform::BroadcastEnvironmentChange();
}
