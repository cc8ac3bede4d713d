// A stand-in for the report server's verification tool: "VerifySSRS.exe <url> <account>
// <password>" exits 200 when the URL and the account are those configured in VerifySSRS.ini
// beside it, 401 when they are not, and 0 when there is no such file or the arguments are not
// three. The password is taken but neither checked nor kept anywhere.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "verify_ssrs_rules.h"

namespace {

// Settings files are a few lines; anything bigger is not one.
constexpr DWORD kMaxSettingsBytes = 64 * 1024;

std::wstring SettingsPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return path.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + L"VerifySSRS.ini";
}

bool ReadSettingsFile(const std::wstring& path, std::vector<char>& bytes) {
  platform::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSettingsBytes) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return false;
  bytes.resize(read);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return verify_ssrs::kNotConfigured;
  std::vector<std::wstring> arguments(argv + (count > 0 ? 1 : 0), argv + count);
  LocalFree(argv);
  if (arguments.size() != 3) return verify_ssrs::kNotConfigured;

  std::vector<char> bytes;
  if (!ReadSettingsFile(SettingsPath(), bytes)) return verify_ssrs::kNotConfigured;
  const verify_ssrs::Settings settings = verify_ssrs::ParseSettings(verify_ssrs::DecodeText(bytes));
  return verify_ssrs::Verify(settings, arguments);
}
