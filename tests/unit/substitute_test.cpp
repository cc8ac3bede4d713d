// Expansion of references inside definition values, and the choice of the variables list.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "definition/substitute.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

const std::map<int, std::wstring> kCultureTexts = {
    {50120, L"Culture text fifty-one-twenty"},
    {50121, L"Folder [INSTALLDIRECTORY]\\bin for %SUBST_TEST_DIR%"},
    {50122, L"Second text"},
};

bool CultureText(int number, std::wstring& text) {
  auto it = kCultureTexts.find(number);
  if (it == kCultureTexts.end()) return false;
  text = it->second;
  return true;
}

class SubstituteTest : public testing::Test {
 protected:
  void SetUp() override {
    properties_.Set(L"[INSTALLDIRECTORY]", L"C:\\Program Files\\Orvanta\\");
    properties_.Set(L"[SETUPDIRECTORY]", L"D:\\setup");
    properties_.Set(L"[EMPTY]", L"");
    properties_.Set(L"[WITHENV]", L"%SUBST_TEST_DIR%\\x");
    properties_.Set(L"[WITHPROP]", L"[SETUPDIRECTORY]");
    properties_.Set(L"[PERCENT]", L"50%");
  }
  std::wstring Expand(const std::wstring& value) {
    std::wstring v = value;
    Substitute(v, properties_, CultureText);
    return v;
  }
  PropertyMap properties_;
  EnvironmentOverride dir_{L"SUBST_TEST_DIR", L"C:\\Temp"};
  EnvironmentOverride slash_{L"SUBST_TEST_SLASH", L"C:\\Temp\\"};
  EnvironmentOverride unset_{L"SUBST_TEST_UNSET", nullptr};
  EnvironmentOverride bracket_{L"SUBST_TEST_BRACKET", L"[SETUPDIRECTORY]%SUBST_TEST_DIR%"};
};

struct Case {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST_F(SubstituteTest, ExpandsEachTokenForm) {
  const Case cases[] = {
      // Escape: the whole value loses its outer characters and nothing else happens.
      {L"[[INSTALLDIRECTORY]]", L"[INSTALLDIRECTORY]"},
      {L"Path [[INSTALLDIRECTORY]] here", L"ath [[INSTALLDIRECTORY]] her"},
      {L"x[[A]] [INSTALLDIRECTORY] %SUBST_TEST_DIR% [50120]y", L"[[A]] [INSTALLDIRECTORY] %SUBST_TEST_DIR% [50120]"},
      {L"[[my name]]", L"[[my name]]"},
      // Culture numbers: the whole value becomes the last number's text.
      {L"Setup [50120] done", L"Culture text fifty-one-twenty"},
      {L"[50120] then [50122]", L"Second text"},
      {L"[50122] then [50123]", L"50123"},
      {L"[50123] then [50120]", L"Culture text fifty-one-twenty"},
      {L"Setup [50123] done", L"50123"},
      {L"[50120_2]", L"Culture text fifty-one-twenty"},
      {L"[_50120]", L"_50120"},
      {L"[4295017416]", L"4295017416"},  // out of range, not number 50120 wrapped around
      {L"[50121]", L"Folder C:\\Program Files\\Orvanta\\bin for C:\\Temp"},
      // Properties.
      {L"[INSTALLDIRECTORY]", L"C:\\Program Files\\Orvanta\\"},
      {L"[MISSING] and [EMPTY]", L"[MISSING] and [EMPTY]"},
      {L"[SETUPDIRECTORY];[SETUPDIRECTORY]", L"D:\\setup;D:\\setup"},
      // Values are inserted once, verbatim: nothing inside them is expanded.
      {L"[WITHENV]", L"%SUBST_TEST_DIR%\\x"},
      {L"[WITHPROP] [SETUPDIRECTORY]", L"[SETUPDIRECTORY] D:\\setup"},
      {L"[PERCENT]SUBST_TEST_DIR% %SUBST_TEST_DIR%", L"50%SUBST_TEST_DIR% C:\\Temp"},
      {L"%SUBST_TEST_BRACKET% [SETUPDIRECTORY]", L"[SETUPDIRECTORY]%SUBST_TEST_DIR% D:\\setup"},
      // Environment variables.
      {L"%SUBST_TEST_DIR%\\setup", L"C:\\Temp\\setup"},
      {L"%SUBST_TEST_UNSET%\\setup", L"%SUBST_TEST_UNSET%\\setup"},
      {L"%SUBST_TEST_DIR%;%SUBST_TEST_DIR%", L"C:\\Temp;C:\\Temp"},
      {L"%SUBST_TEST_DIR%SUBST_TEST_DIR%", L"C:\\TempSUBST_TEST_DIR%"},
      {L"[SETUPDIRECTORY]\\%SUBST_TEST_DIR%", L"D:\\setup\\C:\\Temp"},
      // Not tokens.
      {L"[My Name]", L"[My Name]"},
      {L"%MY-VAR%", L"%MY-VAR%"},
      {L"[a.b] [] %% 100% [", L"[a.b] [] %% 100% ["},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(c.input), c.expected) << text::ToUtf8(c.input);
}

TEST_F(SubstituteTest, DropsTheTrailingBackslashOnlyBeforeAPathPart) {
  const Case cases[] = {
      {L"[INSTALLDIRECTORY]\\bin", L"C:\\Program Files\\Orvanta\\bin"},
      {L"%SUBST_TEST_SLASH%\\bin", L"C:\\Temp\\bin"},
      {L"\"[INSTALLDIRECTORY]\\bin\" /q", L"\"C:\\Program Files\\Orvanta\\bin\" /q"},
      // The token at the very end, or a single character after it, keeps the backslash.
      {L"cd [INSTALLDIRECTORY]", L"cd C:\\Program Files\\Orvanta\\"},
      {L"[INSTALLDIRECTORY]x", L"C:\\Program Files\\Orvanta\\x"},
      // The second character after the token is a space: kept.
      {L"[INSTALLDIRECTORY]\\ bin", L"C:\\Program Files\\Orvanta\\\\ bin"},
      {L"%SUBST_TEST_SLASH%\" -x", L"C:\\Temp\\\" -x"},
      // A value without a trailing backslash is inserted whole.
      {L"[SETUPDIRECTORY]\\bin", L"D:\\setup\\bin"},
      // Each occurrence is judged where it stands.
      {L"[INSTALLDIRECTORY]\\a;[INSTALLDIRECTORY]", L"C:\\Program Files\\Orvanta\\a;C:\\Program Files\\Orvanta\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(c.input), c.expected) << text::ToUtf8(c.input);
}

TEST_F(SubstituteTest, WithoutACultureSourceNumbersBecomeDigits) {
  std::wstring value = L"Setup [50120] done";
  Substitute(value, properties_, CultureTextSource());
  EXPECT_EQ(value, L"50120");
}

// The form the XML readers use takes the run's map and its culture library, when there is one.
TEST_F(SubstituteTest, ContextFormUsesTheRunsMapAndLibrary) {
  MemoryLog log;
  PropertyMap cultureProperties;
  std::unique_ptr<Localization> culture = LoadTestCulture(log, cultureProperties);
  const ReadContext withCulture{log, properties_, culture.get()};
  const ReadContext withoutCulture{log, properties_};
  struct Case {
    const ReadContext& context;
    std::wstring input, expected;
  } cases[] = {
      {withCulture, L"Error [101]", L"Plain text"},
      {withCulture, L"[50110]", L"50110"},  // a number the library lacks
      {withCulture, L"[SETUPDIRECTORY]\\bin", L"D:\\setup\\bin"},
      {withoutCulture, L"[101] [SETUPDIRECTORY]", L"101"},
  };
  for (const Case& c : cases) {
    std::wstring value = c.input;
    Substitute(value, c.context);
    EXPECT_EQ(value, c.expected) << text::ToUtf8(c.input);
  }
}

TEST(ChooseVariablesList, PicksTheEnvironmentsListWhenItExists) {
  struct ListCase {
    const char* name;
    const wchar_t* installKey;  // ZEM_INSTALL_ENVIRONMENTKEY; null: unset
    const wchar_t* vqxKey;      // ZEM_VQX_INSTALL_ENVIRONMENTKEY
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
    const wchar_t* expected;
  } cases[] = {
      {"KeyAndFile", L"Prod", nullptr, {L"VariablesList_Prod.xml"}, {}, L"VariablesList_Prod.xml"},
      {"KeyWithoutFile", L"Prod", nullptr, {L"VariablesList_Test.xml"}, {}, L"VariablesList.xml"},
      {"NoKey", nullptr, L"Prod", {L"VariablesList_Prod.xml"}, {}, L"VariablesList.xml"},
      {"EmptyKey", L"", nullptr, {L"VariablesList_.xml"}, {}, L"VariablesList.xml"},
      {"FolderIsNoFile", L"Prod", nullptr, {}, {L"VariablesList_Prod.xml"}, L"VariablesList.xml"},
      {"DownloadManagerUsesOtherKey", L"Prod", L"Test",
       {L"DownloadManager.xml", L"VariablesList_Prod.xml", L"VariablesList_Test.xml"}, {}, L"VariablesList_Test.xml"},
      {"DownloadManagerIgnoresPlainKey", L"Prod", nullptr, {L"DownloadManager.xml", L"VariablesList_Prod.xml"}, {},
       L"VariablesList.xml"},
  };
  EnvironmentOverride installKey(L"ZEM_INSTALL_ENVIRONMENTKEY", nullptr);
  EnvironmentOverride vqxKey(L"ZEM_VQX_INSTALL_ENVIRONMENTKEY", nullptr);
  for (const ListCase& c : cases) {
    installKey.Set(c.installKey);
    vqxKey.Set(c.vqxKey);
    ScratchFolder setup;
    for (const std::wstring& f : c.files) setup.Write(f, "");
    for (const std::wstring& f : c.folders) setup.MakeFolder(f);
    EXPECT_EQ(ChooseVariablesList(setup.path()), c.expected) << c.name;
  }
}

}  // namespace
