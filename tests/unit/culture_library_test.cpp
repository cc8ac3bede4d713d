// The shipped culture libraries: every number the program asks for is present in each,
// and a translation keeps the message arguments of the English text.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cwctype>
#include <string>
#include <vector>

#include "core/localization.h"
#include "fixtures.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace {

using test_files::ExecutableFolder;

// Every string number the setup program loads from its culture library.
constexpr std::array<UINT, 127> kNumbers = {
    104,
    10000, 10001, 10002, 10003, 10004, 10005, 10006,
    50101, 50102, 50103, 50104, 50105, 50106, 50107, 50108, 50109,
    50111, 50112,
    50116, 50117, 50118, 50119,
    50121, 50122, 50123, 50124, 50125, 50126, 50127, 50128, 50129, 50130, 50131, 50132,
    50133, 50134, 50135, 50136, 50137, 50138, 50139, 50140, 50141, 50142, 50143,
    50145, 50146, 50147, 50148, 50149, 50150, 50151, 50152, 50153,
    50155, 50156, 50157, 50158, 50159, 50160, 50161, 50162, 50163, 50164, 50165, 50166,
    50170,
    50177, 50178, 50179, 50180, 50181, 50182, 50183,
    50187, 50188, 50189, 50190, 50191, 50192, 50193, 50194, 50195, 50196, 50197, 50198,
    50200, 50201, 50202, 50203, 50204, 50205, 50206, 50207, 50208, 50209,
    50212, 50213, 50214, 50215,
    50218, 50220, 50222, 50224, 50225, 50227, 50228,
    50278, 50279, 50280, 50281,
    50283, 50284, 50285, 50286, 50287, 50288,
    50300, 50301, 50302, 50303, 50304,
    50310, 50311, 50312, 50313,
};
static_assert(kNumbers.size() == 127);

platform::Library OpenCulture(const std::wstring& fileName) {
  std::wstring path = ExecutableFolder() + fileName;
  return platform::Library(
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

class CultureLibraryTest : public testing::TestWithParam<const wchar_t*> {};

TEST(CultureNumbers, ListIsSortedAndUnique) {
  EXPECT_EQ(kNumbers.size(), 127u);
  for (size_t i = 1; i < kNumbers.size(); ++i) EXPECT_LT(kNumbers[i - 1], kNumbers[i]) << "at index " << i;
}

TEST_P(CultureLibraryTest, HoldsEveryNumberTheProgramAsksFor) {
  platform::Library library = OpenCulture(GetParam());
  ASSERT_TRUE(library) << "cannot load " << text::ToUtf8(GetParam()) << ", error " << GetLastError();
  for (UINT number : kNumbers) {
    std::wstring text;
    EXPECT_TRUE(Localization::ReadString(library.get(), number, text)) << "string " << number << " is missing";
    EXPECT_FALSE(text.empty()) << "string " << number << " is empty";
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, CultureLibraryTest, testing::Values(L"setup_en-US.dll", L"setup_fr-CA.dll"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                           std::string name = text::ToUtf8(info.param);
                           std::string out;
                           for (char c : name.substr(6, name.size() - 10))
                             if (isalnum(static_cast<unsigned char>(c))) out += c;
                           return out;
                         });

// Every label, field button and sheet button of a page has its own access key ("&x"), in every
// culture: two alike would send Alt+x to the first only.
TEST_P(CultureLibraryTest, EachPageHasOneAccessKeyPerControl) {
  platform::Library library = OpenCulture(GetParam());
  ASSERT_TRUE(library);
  const std::vector<UINT> backNext = {50103, 50104};  // on every page of the wizard
  const struct {
    std::vector<UINT> buttons, controls;
  } pages[] = {
      {backNext, {50157, 50158, 50163}},                // service account and database server
      {backNext, {50156}},                              // catalog drive
      {backNext, {50161, 50162, 50194, 50195}},         // working folders and their Browse buttons
      {backNext, {50200, 50201, 50202, 50208, 50151}},  // report server
      {backNext, {50132, 50133, 50117}},                // the finish page's offers and Finish
      {{}, {50279}},                                    // the document-cache question's keep box (Yes, No)
  };
  for (const auto& page : pages) {
    std::wstring keys;
    for (UINT number : page.buttons) {
      std::wstring text;
      Localization::ReadString(library.get(), number, text);
      const size_t at = text.find(L'&');
      if (at != std::wstring::npos) keys += static_cast<wchar_t>(towlower(text[at + 1]));
    }
    for (UINT number : page.controls) {
      std::wstring text;
      ASSERT_TRUE(Localization::ReadString(library.get(), number, text)) << number;
      const size_t at = text.find(L'&');
      ASSERT_TRUE(at != std::wstring::npos && at + 1 < text.size()) << "string " << number << " has no access key";
      const wchar_t key = static_cast<wchar_t>(towlower(text[at + 1]));
      EXPECT_EQ(keys.find(key), std::wstring::npos) << "string " << number << " repeats an access key of its page";
      keys += key;
    }
  }
}

TEST(CultureLibrary, TranslationKeepsMessageArguments) {
  platform::Library english = OpenCulture(L"setup_en-US.dll");
  platform::Library french = OpenCulture(L"setup_fr-CA.dll");
  ASSERT_TRUE(english);
  ASSERT_TRUE(french);
  int withArguments = 0;
  for (UINT number : kNumbers) {
    std::wstring en, fr;
    Localization::ReadString(english.get(), number, en);
    Localization::ReadString(french.get(), number, fr);
    for (int argument = 1; argument <= 9; ++argument) {
      std::wstring placeholder = text::Format(L"%%%d", argument);
      if (!text::Contains(en, placeholder)) continue;
      ++withArguments;
      EXPECT_TRUE(text::Contains(fr, placeholder))
          << "fr-CA string " << number << " drops " << text::ToUtf8(placeholder);
    }
    // A placeholder the English text lacks would print an unexpanded "%N" or a wrong value.
    for (int argument = 1; argument <= 9; ++argument) {
      std::wstring placeholder = text::Format(L"%%%d", argument);
      if (text::Contains(fr, placeholder)) {
        EXPECT_TRUE(text::Contains(en, placeholder))
            << "fr-CA string " << number << " adds " << text::ToUtf8(placeholder);
      }
    }
  }
  EXPECT_GT(withArguments, 0) << "no English string carries an argument; the check would prove nothing";
}

TEST(CultureLibrary, AbsentNumberReadsAsMissing) {
  platform::Library english = OpenCulture(L"setup_en-US.dll");
  ASSERT_TRUE(english);
  std::wstring text = L"stale";
  // 50110 sits in a block that exists; 9 sits in one that does not;
  // 1098680 is 50104 plus 65536 blocks: it must not wrap onto 50104.
  for (UINT number : {50110u, 9u, 1098680u}) {
    EXPECT_FALSE(Localization::ReadString(english.get(), number, text)) << number;
    EXPECT_TRUE(text.empty()) << number;
  }
  EXPECT_FALSE(Localization::ReadString(nullptr, 104, text));
}

}  // namespace
