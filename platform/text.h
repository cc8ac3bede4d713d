// Small text helpers shared by every layer: a type-safe printf-subset
// formatter, case-insensitive comparisons and conversions.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace text {

// One formatter argument: a number (signed or unsigned, remembering whether it
// was 32 bits wide so %d/%x reinterpret it the way the C runtime would) or a text.
class FormatArg {
 public:
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>>
  FormatArg(T v)  // NOLINT: implicit by design
      : kind_(std::is_same_v<T, wchar_t> ? Kind::Char
              : std::is_signed_v<T>      ? Kind::Signed
                                         : Kind::Unsigned),
        narrow_(sizeof(T) <= 4),
        number_(static_cast<uint64_t>(static_cast<std::conditional_t<std::is_enum_v<T>, int64_t, T>>(v))) {}
  FormatArg(const wchar_t* s) : kind_(Kind::Text), text_(s ? s : L"(null)") {}  // NOLINT
  FormatArg(const std::wstring& s) : kind_(Kind::Text), text_(s) {}             // NOLINT
  FormatArg(std::wstring_view s) : kind_(Kind::Text), text_(s) {}               // NOLINT

  enum class Kind { Signed, Unsigned, Char, Text };
  Kind kind() const { return kind_; }
  bool narrow() const { return narrow_; }
  uint64_t bits() const { return number_; }
  const std::wstring& str() const { return text_; }

 private:
  Kind kind_;
  bool narrow_ = false;
  uint64_t number_ = 0;
  std::wstring text_;
};

// Formats the subset %s %d %i %u %x %X %c %% with the flags '#', '0', '-' and a width.
std::wstring FormatList(std::wstring_view format, std::initializer_list<FormatArg> args);

template <typename... A>
std::wstring Format(std::wstring_view format, const A&... args) {
  return FormatList(format, {FormatArg(args)...});
}

std::wstring ToLower(std::wstring_view s);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool ContainsNoCase(std::wstring_view haystack, std::wstring_view needle);
bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix);
bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix);
bool Contains(std::wstring_view haystack, std::wstring_view needle);
std::wstring Trim(std::wstring_view s);
// A program or file path for a command line: quoted when it holds a blank and is not quoted
// already, so CreateProcessW cannot start "C:\Program.exe" for "C:\Program Files\x.exe".
std::wstring QuoteIfBlank(std::wstring_view path);

// Reads a decimal integer the way atoi does: leading blanks, optional sign,
// digits up to the first other character; 0 when there are none.
long long AtoI(std::wstring_view s);

// ASCII/UTF-8 <-> UTF-16 without the Windows code pages (used for literals and tests).
std::wstring FromUtf8(std::string_view s);
std::string ToUtf8(std::wstring_view s);

// The first line of Windows' own text for a system error code; empty when it has none.
std::wstring SystemMessage(uint32_t code);

}  // namespace text
