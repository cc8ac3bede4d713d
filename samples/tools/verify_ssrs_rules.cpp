#include "verify_ssrs_rules.h"

#include <windows.h>

namespace verify_ssrs {
namespace {

std::wstring_view Trim(std::wstring_view s) {
  const wchar_t* blanks = L" \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::wstring_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring_view WithoutTrailingSlash(std::wstring_view url) {
  if (!url.empty() && url.back() == L'/') url.remove_suffix(1);
  return url;
}

std::wstring Decode(UINT codePage, DWORD flags, const char* data, int size) {
  if (size == 0) return {};
  const int length = MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, data, size, out.data(), length);
  return out;
}

}  // namespace

std::wstring DecodeText(const std::vector<char>& bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE)
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (n - 2) / sizeof(wchar_t));
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
    return Decode(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(n - 3));
  // Text that is not valid UTF-8 was written in the ANSI code page.
  const int size = static_cast<int>(n);
  if (size == 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0) > 0)
    return Decode(CP_UTF8, 0, bytes.data(), size);
  return Decode(CP_ACP, 0, bytes.data(), size);
}

Settings ParseSettings(std::wstring_view text) {
  Settings settings;
  bool haveUrl = false, haveAccount = false;
  while (!text.empty()) {
    const size_t end = text.find(L'\n');
    const std::wstring_view line = Trim(text.substr(0, end));
    text = end == std::wstring_view::npos ? std::wstring_view{} : text.substr(end + 1);
    if (line.empty() || line[0] == L';' || line[0] == L'#' || line[0] == L'[') continue;
    const size_t eq = line.find(L'=');
    if (eq == std::wstring_view::npos) continue;
    const std::wstring_view name = Trim(line.substr(0, eq));
    const std::wstring_view value = Trim(line.substr(eq + 1));
    if (!haveUrl && EqualNoCase(name, L"Url")) {
      settings.url = value;
      haveUrl = true;
    } else if (!haveAccount && EqualNoCase(name, L"Account")) {
      settings.account = value;
      haveAccount = true;
    }
  }
  return settings;
}

int Verify(const Settings& settings, const std::vector<std::wstring>& arguments) {
  if (arguments.size() != 3) return kNotConfigured;
  // An unset value accepts nothing, not an empty argument.
  if (settings.url.empty() || settings.account.empty()) return kRefused;
  const bool url = EqualNoCase(WithoutTrailingSlash(arguments[0]), WithoutTrailingSlash(settings.url));
  const bool account = EqualNoCase(arguments[1], settings.account);
  return url && account ? kVerified : kRefused;
}

}  // namespace verify_ssrs
