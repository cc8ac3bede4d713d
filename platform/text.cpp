#include "platform/text.h"

#include <windows.h>

#include <cwctype>

#include "platform/handles.h"

namespace text {
namespace {

std::wstring Digits(uint64_t v, unsigned base, bool upper) {
  const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring out;
  do {
    out.insert(out.begin(), set[v % base]);
    v /= base;
  } while (v != 0);
  return out;
}

std::wstring Pad(std::wstring body, std::wstring prefix, size_t width, bool left, bool zero) {
  size_t len = body.size() + prefix.size();
  if (len >= width) return prefix + body;
  size_t fill = width - len;
  if (left) return prefix + body + std::wstring(fill, L' ');
  if (zero) return prefix + std::wstring(fill, L'0') + body;
  return std::wstring(fill, L' ') + prefix + body;
}

}  // namespace

std::wstring FormatList(std::wstring_view format, std::initializer_list<FormatArg> args) {
  std::wstring out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    wchar_t c = format[i];
    if (c != L'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    size_t start = i++;
    bool alt = false, zero = false, left = false;
    for (; i < format.size(); ++i) {
      if (format[i] == L'#') alt = true;
      else if (format[i] == L'0') zero = true;
      else if (format[i] == L'-') left = true;
      else break;
    }
    size_t width = 0;
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') width = width * 10 + (format[i++] - L'0');
    while (i < format.size() && (format[i] == L'l' || format[i] == L'h')) ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    wchar_t conv = format[i];
    if (conv == L'%') {
      out += L'%';
      continue;
    }
    if (next == args.end()) {  // more conversions than arguments: keep the text as written
      out.append(format.substr(start, i - start + 1));
      continue;
    }
    const FormatArg& a = *next++;
    switch (conv) {
      case L's':
        out += Pad(a.kind() == FormatArg::Kind::Text ? a.str() : std::wstring(), L"", width, left, false);
        break;
      case L'c':
        out += Pad(a.kind() == FormatArg::Kind::Text ? a.str().substr(0, 1) : std::wstring(1, static_cast<wchar_t>(a.bits())),
                   L"", width, left, false);
        break;
      case L'd':
      case L'i': {
        int64_t v = static_cast<int64_t>(a.bits());
        if (a.narrow()) v = static_cast<int32_t>(static_cast<uint32_t>(a.bits()));
        std::wstring body = Digits(v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v), 10, false);
        out += Pad(body, v < 0 ? L"-" : L"", width, left, zero && !left);
        break;
      }
      case L'u':
      case L'x':
      case L'X': {
        uint64_t v = a.bits();
        if (a.narrow()) v = static_cast<uint32_t>(v);
        unsigned base = conv == L'u' ? 10 : 16;
        std::wstring prefix = (alt && base == 16 && v != 0) ? (conv == L'X' ? L"0X" : L"0x") : L"";
        out += Pad(Digits(v, base, conv == L'X'), prefix, width, left, zero && !left);
        break;
      }
      default:
        out.append(format.substr(start, i - start + 1));
        --next;
        break;
    }
  }
  return out;
}

// The C runtime's towlower folds only A-Z in the "C" locale; the system's invariant
// table also folds the accented letters of user names, paths and culture texts.
std::wstring ToLower(std::wstring_view s) {
  std::wstring out(s);
  if (out.empty()) return out;
  int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, s.data(), static_cast<int>(s.size()), out.data(),
                        static_cast<int>(out.size()), nullptr, nullptr, 0);
  if (n == static_cast<int>(s.size())) return out;
  out.assign(s);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && ToLower(a) == ToLower(b);
}

bool ContainsNoCase(std::wstring_view haystack, std::wstring_view needle) {
  return ToLower(haystack).find(ToLower(needle)) != std::wstring::npos;
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

bool Contains(std::wstring_view haystack, std::wstring_view needle) {
  return haystack.find(needle) != std::wstring_view::npos;
}

std::wstring QuoteIfBlank(std::wstring_view path) {
  if (path.find_first_of(L" \t") == std::wstring_view::npos || (!path.empty() && path.front() == L'"'))
    return std::wstring(path);
  return L"\"" + std::wstring(path) + L"\"";
}

std::wstring Trim(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::iswspace(s[b])) ++b;
  while (e > b && std::iswspace(s[e - 1])) --e;
  return std::wstring(s.substr(b, e - b));
}

long long AtoI(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && std::iswspace(s[i])) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) neg = s[i++] == L'-';
  long long v = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    if (v < 100000000000000000LL) v = v * 10 + (s[i] - L'0');  // saturate instead of overflowing
  }
  return neg ? -v : v;
}

std::wstring FromUtf8(std::string_view s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int extra = 0;
    if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
    else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
    else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return out;
}

std::string ToUtf8(std::wstring_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    else if (cp < 0x10000) { out += static_cast<char>(0xE0 | (cp >> 12)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    else { out += static_cast<char>(0xF0 | (cp >> 18)); out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
  }
  return out;
}

std::wstring SystemMessage(uint32_t code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  platform::LocalMemory owned(buffer);
  if (n == 0 || !buffer) return {};
  std::wstring message(buffer, n);
  return message.substr(0, message.find(L'\r'));
}

}  // namespace text
