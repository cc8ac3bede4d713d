#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/argument_quoting.h"
#include "platform/text.h"

namespace {

enum class Colour : int { Red = 3 };

struct FormatCase {
  const wchar_t* expected;
  std::wstring actual;
};

TEST(Format, ConversionsMatchTheCRuntime) {
  const DWORD allBits = 0xFFFFFFFF;
  const HRESULT failure = static_cast<HRESULT>(0x80004005);
  const short minusOne = -1;
  const WORD word = 65535;
  const std::vector<FormatCase> cases = {
      {L"abc", text::Format(L"%s", L"abc")},
      {L"[  abc]", text::Format(L"[%5s]", std::wstring(L"abc"))},
      {L"[abc  ]", text::Format(L"[%-5s]", std::wstring_view(L"abc"))},
      {L"(null)", text::Format(L"%s", static_cast<const wchar_t*>(nullptr))},
      {L"42 -42 -7", text::Format(L"%d %d %i", 42, -42, -7)},
      {L"-1", text::Format(L"%d", allBits)},
      {L"-2147483648", text::Format(L"%d", INT_MIN)},
      {L"-9000000000", text::Format(L"%d", -9000000000LL)},
      {L"4294967295", text::Format(L"%u", -1)},
      {L"4000000000", text::Format(L"%lu", 4000000000UL)},
      {L"18446744073709551615", text::Format(L"%u", ULLONG_MAX)},
      {L"65535", text::Format(L"%d", word)},
      {L"ff FF 0xff", text::Format(L"%x %X %#x", 255, 255, 255)},
      {L"0X80004005", text::Format(L"%#X", failure)},
      {L"ffffffff", text::Format(L"%x", minusOne)},
      {L"0", text::Format(L"%#x", 0)},
      {L"001f", text::Format(L"%04x", 0x1F)},
      {L"00000ABC", text::Format(L"%08X", 0xABCu)},
      {L"0x001f", text::Format(L"%#06x", 0x1F)},
      {L"-0042", text::Format(L"%05d", -42)},
      {L"[   42][42   ]", text::Format(L"[%5d][%-5d]", 42, 42)},
      {L"Z \u00e9", text::Format(L"%c %c", L'Z', static_cast<wchar_t>(0xE9))},
      {L"3", text::Format(L"%d", Colour::Red)},
      {L"100% done", text::Format(L"%d%% done", 100)},
      {L"50%", text::Format(L"50%")},
      {L"Installing a.msi returned 1603.", text::Format(L"Installing %s returned %d.", L"a.msi", 1603)},
      {L"a and %s", text::Format(L"%s and %s", L"a")},
      {L"%q 5", text::Format(L"%q %d", 5)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, c.actual);
}

TEST(AtoI, ReadsLikeAtoi) {
  const struct {
    const wchar_t* input;
    long long expected;
  } cases[] = {
      {L"42", 42}, {L"  -17x", -17}, {L"+8", 8},    {L"0abc", 0},  {L"abc", 0}, {L"", 0},
      {L"-", 0},   {L" \t\n5", 5},   {L"3.9", 3},   {L"- 5", 0},   {L"12 34", 12}, {L"007", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, text::AtoI(c.input)) << c.input;
}

TEST(AtoI, HugeNumbersDoNotWrapAround) {
  EXPECT_GT(text::AtoI(L"99999999999999999999999999"), INT_MAX);
  EXPECT_LT(text::AtoI(L"-99999999999999999999999999"), INT_MIN);
}

TEST(CaseInsensitive, Helpers) {
  EXPECT_TRUE(text::EqualsNoCase(L"Upgrade", L"UPGRADE"));
  EXPECT_TRUE(text::EqualsNoCase(L"", L""));
  EXPECT_FALSE(text::EqualsNoCase(L"a", L"ab"));
  EXPECT_FALSE(text::EqualsNoCase(L"Repair", L"Rapier"));
  EXPECT_TRUE(text::ContainsNoCase(L"C:\\Program Files\\App", L"program files"));
  EXPECT_FALSE(text::ContainsNoCase(L"C:\\Program Files", L"Programs"));
  EXPECT_TRUE(text::StartsWithNoCase(L"setup_en-US.dll", L"SETUP_"));
  EXPECT_FALSE(text::StartsWithNoCase(L"se", L"setup"));
  EXPECT_TRUE(text::EndsWithNoCase(L"Setup.LOG", L".log"));
  EXPECT_FALSE(text::EndsWithNoCase(L"log", L".log"));
  EXPECT_EQ(L"mixed case 1", text::ToLower(L"MiXeD CaSe 1"));
  EXPECT_TRUE(text::EqualsNoCase(L"\u00c9COLE", L"\u00e9cole"));
  EXPECT_TRUE(text::StartsWithNoCase(L"C:\\Users\\\u00c9lodie\\AppData", L"c:\\users\\\u00e9LODIE\\"));
}

TEST(CaseSensitive, Contains) {
  EXPECT_TRUE(text::Contains(L"ServicePASSWORDHint", L"PASSWORD"));
  EXPECT_FALSE(text::Contains(L"[Password]", L"PASSWORD"));
  EXPECT_TRUE(text::Contains(L"anything", L""));
}

TEST(Trim, RemovesOuterWhiteSpaceOnly) {
  const struct {
    const wchar_t* input;
    const wchar_t* expected;
  } cases[] = {{L"  a b \t\r\n", L"a b"}, {L"", L""}, {L" \t ", L""}, {L"x", L"x"}, {L"\nx y", L"x y"}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, text::Trim(c.input)) << c.input;
}

TEST(QuoteIfBlank, QuotesOnlyAnUnquotedPathWithABlank) {
  const struct {
    const wchar_t* input;
    const wchar_t* expected;
  } cases[] = {{L"C:\\a\\b.exe", L"C:\\a\\b.exe"},
               {L"C:\\Program Files\\b.exe", L"\"C:\\Program Files\\b.exe\""},
               {L"C:\\tab\tdir\\b.exe", L"\"C:\\tab\tdir\\b.exe\""},
               {L"\"C:\\a b\\c.exe\"", L"\"C:\\a b\\c.exe\""},
               {L"", L""}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, text::QuoteIfBlank(c.input)) << c.input;
}

// Each argument comes back from CommandLineToArgvW as it went in, whatever it holds.
TEST(QuoteArgument, CommandLineToArgvWReadsEveryArgumentBack) {
  const struct {
    const wchar_t* argument;
    const wchar_t* quoted;
  } cases[] = {
      {L"/q", L"/q"},
      {L"INSTALLDIR=C:\\x\\", L"INSTALLDIR=C:\\x\\"},  // no blank: a trailing backslash stays single
      {L"INSTALLLOCATION=C:\\Program Files (x86)\\Orvanta\\Rizod",
       L"\"INSTALLLOCATION=C:\\Program Files (x86)\\Orvanta\\Rizod\""},
      {L"DIR=C:\\a b\\", L"\"DIR=C:\\a b\\\\\""},  // doubled before the closing quote
      {L"TAB=a\tb", L"\"TAB=a\tb\""},
      {L"NAME=say \"hi\"", L"\"NAME=say \\\"hi\\\"\""},
      {L"Q=a\\\"b", L"\"Q=a\\\\\\\"b\""},  // one backslash before a quote: three, then the quote
      {L"ID=R&echo injected>C:\\injected.txt", L"\"ID=R&echo injected>C:\\injected.txt\""},
      {L"\\\\server\\share\\", L"\\\\server\\share\\"},
      {L"", L"\"\""},
  };
  std::vector<std::wstring> arguments;
  for (const auto& c : cases) {
    EXPECT_EQ(c.quoted, text::QuoteArgument(c.argument)) << text::ToUtf8(c.argument);
    arguments.push_back(c.argument);
  }
  const std::wstring line = L"setup.exe " + text::JoinArguments(arguments);
  int count = 0;
  wchar_t** read = CommandLineToArgvW(line.c_str(), &count);
  ASSERT_NE(read, nullptr);
  std::vector<std::wstring> back(read + 1, read + count);
  LocalFree(read);
  EXPECT_EQ(arguments, back) << text::ToUtf8(line);
  EXPECT_EQ(text::JoinArguments({}), L"");
}

TEST(Utf8, RoundTripsOutsideTheBasicPlane) {
  const std::string bytes = "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80";
  const std::wstring wide = text::FromUtf8(bytes);
  EXPECT_EQ(std::wstring(L"caf\u00e9 \u4e2d \xD83D\xDE00"), wide);
  EXPECT_EQ(bytes, text::ToUtf8(wide));
}

}  // namespace
