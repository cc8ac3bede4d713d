// Unpacking a checked bundle into a new folder only Administrators and SYSTEM may change.
#pragma once

#include <string>

#include "bundle/bundle_file.h"
#include "platform/security.h"

namespace bundle {

struct Unpacked {
  int failure = 0;  // 0, or the exit code of what went wrong; nothing is left behind then
  std::wstring problem;
  std::wstring folder;  // without a trailing backslash
};

// The folder is made below the Windows temporary folder (not the user's, which lies in his profile
// and which his other programs may write), under a name from the system's random generator. Every
// file is checked against the manifest while it is written; the folder goes again on any failure.
Unpacked Unpack(platform::Security& security, const CheckedBundle& bundle);

}  // namespace bundle
