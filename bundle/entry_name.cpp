#include "bundle/entry_name.h"

#include <windows.h>

#include <cwctype>

#include "platform/text.h"

namespace bundle {

namespace {

// CON, NUL, COM1... open a device, with or without an extension.
bool IsDeviceName(const std::wstring& component) {
  const std::wstring stem = text::ToLower(component.substr(0, component.find(L'.')));
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.starts_with(L"com") || stem.starts_with(L"lpt")) && stem[3] >= L'0' &&
         stem[3] <= L'9';
}

}  // namespace

std::wstring UnsafeEntryName(const std::wstring& name) {
  if (name.empty()) return L"an empty name";
  if (name.size() >= MAX_PATH) return L"a name longer than MAX_PATH";
  if (name[0] == L'\\' || name[0] == L'/') return L"an absolute path";
  if (name.find(L':') != std::wstring::npos) return L"a drive or stream name";
  for (wchar_t c : name)
    if (c < 0x20 || std::wcschr(L"<>\"|?*", c)) return L"a character Windows refuses in names";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = name.size();
    const std::wstring component = name.substr(start, end - start);
    if (component.empty()) return L"an empty path component";
    if (component == L"." || component == L"..") return L"a path leaving its folder";
    // Windows drops trailing dots and blanks: ".. " would name the parent folder.
    if (component.back() == L'.' || component.back() == L' ') return L"a component ending in a dot or blank";
    if (IsDeviceName(component)) return L"a device name";
    start = end + 1;
  }
  return {};
}

}  // namespace bundle
