// What the bundle tells: lines appended to Bundle.log in the setup's log folder, and, when the
// run is not silent, a message box for a bundle that cannot be used.
#pragma once

#include <string>

#include "platform/handles.h"
#include "platform/security.h"

namespace bundle {

class Report {
 public:
  Report(platform::Security& security, bool silent);
  void Log(const std::wstring& line);
  // Logs "<bundle> cannot be used: <problem>" with the exit code, and shows the matching text.
  void Refuse(const std::wstring& bundlePath, int exitCode, const std::wstring& problem);

 private:
  bool silent_;
  platform::UniqueHandle file_;
};

}  // namespace bundle
