// The writer side of the progress program: it starts "progress.exe" on the logged-on user's
// desktop and feeds it fixed-size records through an anonymous pipe on its standard input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/platform_kind.h"
#include "core/progress_record.h"
#include "platform/handles.h"

class LogFile;
class PropertyMap;
namespace platform {
class Processes;
}

// "OP-US" / "OP-Canada" for on-premises products by culture, "SaaS" for every other kind.
std::wstring ProgressPlatformText(PlatformKind platformKind, const std::wstring& productCulture);
// Culture text 50123 for a repair alone (mode flags exactly 8), 50124 otherwise.
UINT ProgressModeTextId(uint32_t modeFlags);
// The name as it can stand inside a quoted argument: embedded quotes become apostrophes and
// trailing backslashes are doubled so they do not escape the closing quote.
std::wstring QuotableDisplayName(const std::wstring& name);
// "\"<dir>progress.exe\" ProductName=\"<name>\" Platform=<p> NETFramework=<0|1> Mode=<mode>"
std::wstring ProgressCommandLine(const std::wstring& setupDirectory, const std::wstring& productDisplayName,
                                 const std::wstring& platformText, bool dotNetRequired, const std::wstring& modeText);

// What the start needs from the run besides its three arguments.
struct ProgressRunInfo {
  std::wstring setupDirectory;  // with a trailing backslash; progress.exe lies there
  PlatformKind platformKind = PlatformKind::Other;
  std::wstring productCulture;
  std::function<std::wstring(UINT id)> cultureString;  // numbered culture texts
};

// Sends with the codes of ProgressCodes (ProgressInterface::kStatus and the others).
class ProgressInterface : public ProgressCodes {
 public:
  ProgressInterface(LogFile& log, platform::Processes& processes, const PropertyMap& properties);

  // 0 once progress.exe was started (not waited for), otherwise the system error code.
  DWORD Start(const std::wstring& productDisplayName, bool dotNetRequired, uint32_t modeFlags,
              const ProgressRunInfo& run);
  // One whole record; a failure (the program has ended, say) is logged and ignored. A reader
  // that takes nothing for kWriteTimeoutMs is given up: logged once, and nothing is sent again.
  void Send(uint32_t code, const std::wstring& text);
  bool Running() const { return static_cast<bool>(writeEnd_); }

  static constexpr DWORD kWriteTimeoutMs = 5000;

 private:
  LogFile& log_;
  platform::Processes& processes_;
  const PropertyMap& properties_;
  platform::UniqueHandle readEnd_;
  platform::UniqueHandle writeEnd_;
  bool gaveUp_ = false;
};
