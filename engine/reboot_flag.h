// The machine-wide "a reboot is pending" flag: a machine environment variable that later steps
// and later runs read from their own environment.
#pragma once

class LogFile;
namespace platform {
class Registry;
}

// True, logged as "Reboot required", when this process's environment says "true" in any case.
bool RebootRequired(LogFile& log);

// Writes "true" into the machine environment and tells the running programs, so that processes
// started afterwards see it. This process's own environment does not change.
void SetRebootRequiredFlag(LogFile& log, platform::Registry& registry);
