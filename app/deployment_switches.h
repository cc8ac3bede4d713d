// What the deployment switches need besides reading them: the chosen log file's folder, and the
// help that lists the switches and exit codes.
#pragma once

#include <string>

#include "platform/security.h"

class Localization;

// Why Setup.log may not be written to `file` (its full path): empty when its folder is a plain
// folder only administrators may change, reached through no link (it is made so when missing).
// A folder others may change is refused, not taken over: it is the caller's, and may be shared.
std::wstring UnfitLogFile(platform::Security& security, const std::wstring& file);

// The switches and exit codes, from the culture library.
std::wstring HelpText(const Localization* localization);
