#include "checks/office_detection.h"

#include "checks/probe_registry.h"
#include "platform/files.h"
#include "platform/text.h"

using platform::Hive;
using platform::View;

namespace {

struct OfficeYear {
  int year;
  const wchar_t* version;
  int code32, code64;  // the same code twice for the years without a 64-bit edition
};

const OfficeYear kYears[] = {
    {2003, L"11.0", Office2003, Office2003},       {2007, L"12.0", Office2007, Office2007},
    {2010, L"14.0", Office2010x86, Office2010x64}, {2013, L"15.0", Office2013x86, Office2013x64},
    {2016, L"16.0", Office2016x86, Office2016x64},
};

const OfficeYear* FindYear(int year) {
  for (const auto& y : kYears)
    if (y.year == year) return &y;
  return nullptr;
}

std::wstring InstallRootKey(const std::wstring& version, const std::wstring& app) {
  return text::Format(L"Software\\Microsoft\\Office\\%s\\%s\\InstallRoot", version, app);
}

bool HasPath(platform::Registry& registry, const std::wstring& key, View view) {
  LONG error = 0;
  return registry.Read(Hive::LocalMachine, key, L"Path", view, error).has_value();
}

enum class BitnessHint { None, Bit32, Bit64 };

// Outlook's setup records the bitness of the whole Office installation.
BitnessHint OutlookBitness(platform::Registry& registry, const std::wstring& version) {
  std::wstring bitness;
  LONG error = 0;
  const std::wstring key = text::Format(L"Software\\Microsoft\\Office\\%s\\Outlook", version);
  if (!probe_registry::ReadText(registry, key, L"Bitness", View::Bit32, bitness, error)) return BitnessHint::None;
  if (text::EqualsNoCase(bitness, L"x64")) return BitnessHint::Bit64;
  if (text::EqualsNoCase(bitness, L"x86")) return BitnessHint::Bit32;
  return BitnessHint::None;
}

}  // namespace

std::wstring OfficeVersionText(int year) {
  const OfficeYear* y = FindYear(year);
  return y ? y->version : L"";
}

int DetectOfficeApp(platform::Registry& registry, platform::SystemQueries& system, const std::wstring& app, int year) {
  const OfficeYear* y = FindYear(year);
  if (!y) return OfficeNotFound;
  const std::wstring key = InstallRootKey(y->version, app);
  if (y->code32 == y->code64) {
    if (!registry.KeyExists(Hive::LocalMachine, key, View::Bit32)) return OfficeNotFound;
    return HasPath(registry, key, View::Bit32) ? y->code32 : OfficeNotFound;
  }

  const BitnessHint hint = OutlookBitness(registry, y->version);
  if (hint != BitnessHint::Bit64) {
    if (registry.KeyExists(Hive::LocalMachine, key, View::Bit32))
      return HasPath(registry, key, View::Bit32) ? y->code32 : OfficeNotFound;
    if (hint == BitnessHint::Bit32) return OfficeNotFound;
  }
  // Only a successful emulation query makes the 64-bit view worth a look.
  bool is64 = false;
  DWORD error = 0;
  if (!system.Is64BitWindows(is64, error)) return OfficeNotFound;
  if (!registry.KeyExists(Hive::LocalMachine, key, View::Bit64)) return OfficeNotFound;
  return HasPath(registry, key, View::Bit64) ? y->code64 : OfficeNotFound;
}

bool OfficeInstallFolder(platform::Registry& registry, platform::SystemQueries& system, const std::wstring& app,
                         int year, std::wstring& folder) {
  folder.clear();
  const OfficeYear* y = FindYear(year);
  if (!y) return false;
  View view = View::Bit32;
  if (y->code32 != y->code64 && DetectOfficeApp(registry, system, app, year) == y->code64) view = View::Bit64;
  LONG error = 0;
  probe_registry::ReadText(registry, InstallRootKey(y->version, app), L"Path", view, folder, error);
  return !folder.empty();
}

std::wstring Office2007MsoVersion(platform::Registry& registry) {
  const std::wstring key = text::Format(L"Software\\Microsoft\\Office\\%s\\Common\\FilesPaths", L"12.0");
  std::wstring path;
  LONG error = 0;
  if (!probe_registry::ReadText(registry, key, L"mso.dll", View::Bit32, path, error)) return {};
  if (path.empty() || path.size() >= MAX_PATH) return {};
  return platform::FileProductVersion(path);
}
