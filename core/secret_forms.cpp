#include "core/secret_forms.h"

#include <algorithm>
#include <cstddef>

namespace {

// The conversion, and whether a character was lost or replaced on the way.
std::string Converted(UINT codePage, DWORD flags, const std::wstring& value, bool& lossy) {
  BOOL usedDefault = FALSE;
  BOOL* usedOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const int size = static_cast<int>(value.size());
  int n = WideCharToMultiByte(codePage, flags, value.data(), size, nullptr, 0, nullptr, usedOut);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  n = WideCharToMultiByte(codePage, flags, value.data(), size, out.data(), n, nullptr, usedOut);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  lossy = usedDefault != FALSE;
  return out;
}

char StandIn(UINT codePage) {
  CPINFO info{};
  // A double-byte stand-in cannot be counted byte by byte: '?' is the usual one.
  if (GetCPInfo(codePage, &info) && info.DefaultChar[1] == 0 && info.DefaultChar[0] != 0)
    return static_cast<char>(info.DefaultChar[0]);
  return '?';
}

// Whether the stand-ins the conversion put in (those the value held itself do not count) are
// fewer than the other bytes.
bool MostlyKept(const std::string& form, const std::wstring& value, char standIn) {
  const ptrdiff_t inForm = std::count(form.begin(), form.end(), standIn);
  const ptrdiff_t inValue =
      std::count(value.begin(), value.end(), static_cast<wchar_t>(static_cast<unsigned char>(standIn)));
  return (inForm - inValue) * 2 < static_cast<ptrdiff_t>(form.size());
}

void AddOnce(std::vector<std::string>& forms, std::string form) {
  if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(std::move(form));
}

}  // namespace

std::vector<std::string> NarrowForms(const std::wstring& value, UINT codePage) {
  std::vector<std::string> forms;
  if (value.empty()) return forms;
  bool lossy = false;
  AddOnce(forms, Converted(CP_UTF8, 0, value, lossy));
  std::string strict = Converted(codePage, WC_NO_BEST_FIT_CHARS, value, lossy);
  if (!lossy) {
    AddOnce(forms, std::move(strict));
    return forms;
  }
  const char standIn = StandIn(codePage);
  bool unused = false;
  std::string bestFit = Converted(codePage, 0, value, unused);
  if (MostlyKept(bestFit, value, standIn)) AddOnce(forms, std::move(bestFit));
  if (MostlyKept(strict, value, standIn)) AddOnce(forms, std::move(strict));
  return forms;
}
