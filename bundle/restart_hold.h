// Whether the unpacked folder must outlive the run: only when a restart the setup left pending
// will run from it. The setup's own restart copies its folder into the log folder's "Restart"
// folder and runs from there, so the unpacked folder normally goes even then.
#pragma once

#include <string>

namespace platform {
class Registry;
}

namespace bundle {

// True when the exit code asks for a restart or reboot and the setup's run-once entry names the folder.
bool PendingRestartUses(platform::Registry& registry, const std::wstring& folder, int exitCode);

}  // namespace bundle
