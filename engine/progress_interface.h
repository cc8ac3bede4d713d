// The writer side of the progress program: it starts "progress.exe" on the logged-on user's
// desktop and feeds it fixed-size records through an anonymous pipe on its standard input.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/handles.h"

class LogFile;
class PropertyMap;
namespace platform {
class Processes;
}

// One message: a little-endian 32-bit code, then 260 UTF-16 units (the text, a zero, zeros).
constexpr size_t kProgressTextUnits = 260;
constexpr size_t kProgressRecordSize = 4 + kProgressTextUnits * 2;  // 524
using ProgressRecord = std::array<unsigned char, kProgressRecordSize>;

// Texts longer than 259 units are cut; the rest of the record is zero.
ProgressRecord BuildProgressRecord(uint32_t code, std::wstring_view text);

// "OP-US" / "OP-Canada" for on-premises products by culture, "SaaS" for every other kind.
std::wstring ProgressPlatformText(int platformKind, const std::wstring& productCulture);
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
  int platformKind = 0;
  std::wstring productCulture;
  std::function<std::wstring(UINT id)> cultureString;  // numbered culture texts
};

class ProgressInterface {
 public:
  static constexpr uint32_t kFinished = 1;
  static constexpr uint32_t kFailed = 2;
  static constexpr uint32_t kStatus = 3;
  static constexpr uint32_t kNotSupported = 4;

  ProgressInterface(LogFile& log, platform::Processes& processes, const PropertyMap& properties);

  // 0 once progress.exe was started (not waited for), otherwise the system error code.
  DWORD Start(const std::wstring& productDisplayName, bool dotNetRequired, uint32_t modeFlags,
              const ProgressRunInfo& run);
  // One record in one write; a failure (the program has ended, say) is logged and ignored.
  void Send(uint32_t code, const std::wstring& text);

 private:
  LogFile& log_;
  platform::Processes& processes_;
  const PropertyMap& properties_;
  platform::UniqueHandle readEnd_;
  platform::UniqueHandle writeEnd_;
};
