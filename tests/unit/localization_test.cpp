// Localization: choosing the culture, publishing it, loading the library and formatting texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "definition/culture_file.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using TempFolder = ScratchFolder;

// A culture file; a null culture or product leaves that node out. The nodes sit below the
// root on purpose: they are found at any depth.
std::string CultureFile(const char* culture, const char* product) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Variables><Group>";
  xml += "<ConfigVariable Name=\"{Other}\" value=\"xx-XX\"/>";
  if (culture) xml += std::string("<ConfigVariable Name=\"{CultureName}\" value=\"") + culture + "\"/>";
  if (product) xml += std::string("<ConfigVariable Name=\"{ProductCultureName}\" value=\"") + product + "\"/>";
  xml += "</Group></Variables>\r\n";
  return xml;
}

constexpr wchar_t kCultureFile[] = L"ZIVaroradaZadu.xml";
constexpr wchar_t kVariablesList[] = L"VariablesList.xml";

// Start-up's two steps: the culture file decides, the localization loads.
bool Load(Localization& localization, MemoryLog& log, PropertyMap& properties, const std::wstring& folder,
          const std::wstring& variablesList = kVariablesList) {
  return localization.Load(ReadCultureNames({log, properties}, folder, variablesList));
}

struct LoadCase {
  const char* name;
  std::optional<std::string> file;  // content of ZIVaroradaZadu.xml; none: no file at all
  std::vector<std::pair<std::wstring, std::wstring>> libraries;  // built name, name in setup folder
  std::wstring culture;
  std::wstring libraryFile;
  bool loaded;
  int offset;
  std::wstring cultureProperty;  // empty: not set
  std::wstring productProperty;
  std::wstring suite;
  std::vector<std::wstring> missingNodes;  // "{Name}" whose "not found" line is expected
};

const std::wstring kEnUs = L"setup_en-US.dll";
const std::wstring kFrCa = L"setup_fr-CA.dll";
const std::wstring kEnCa = L"setup_en-CA.dll";

const LoadCase kLoadCases[] = {
    {"FrenchTextsEnglishProduct", CultureFile("fr-CA", "en-US"), {{kFrCa, kFrCa}}, L"fr-CA", kFrCa, true, 0,
     L"en-US", L"en-US", L"Orvanta Suite", {}},
    {"ProductCultureCaseIgnored", CultureFile("en-US", "EN-CA"), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 20000,
     L"", L"en-CA", L"ZEM Brindle Suite", {}},
    {"CanadianTextsAndProduct", CultureFile("en-CA", "en-CA"), {{kEnUs, kEnCa}}, L"en-CA", kEnCa, true, 20000,
     L"en-CA", L"en-CA", L"ZEM Brindle Suite", {}},
    {"CanadianTextsReplacedForUsProduct", CultureFile("en-CA", "en-US"), {{kEnUs, kEnCa}}, L"en-CA", kEnCa, true,
     0, L"en-US", L"en-US", L"Orvanta Suite", {}},
    {"MissingCultureNode", CultureFile(nullptr, "en-CA"), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 20000, L"",
     L"en-CA", L"ZEM Brindle Suite", {L"{CultureName}"}},
    {"MissingBothNodes", CultureFile(nullptr, nullptr), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 0, L"en-US",
     L"en-US", L"Orvanta Suite", {L"{CultureName}", L"{ProductCultureName}"}},
    {"BrokenFile", std::string("<Variables><ConfigVariable Name="), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 0,
     L"en-US", L"en-US", L"Orvanta Suite", {}},
    {"NoCultureFile", std::nullopt, {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 0, L"en-US", L"en-US",
     L"Orvanta Suite", {}},
    {"LibraryMissing", CultureFile("fr-CA", "en-US"), {}, L"fr-CA", kFrCa, false, 0, L"en-US", L"en-US",
     L"Orvanta Suite", {}},
    // A culture names a file: empty or path-like values count as missing.
    {"EmptyCultureValue", CultureFile("", "en-US"), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 0, L"en-US", L"en-US",
     L"Orvanta Suite", {L"{CultureName}"}},
    {"PathInCultureValue", CultureFile("..\\..\\x", "en-US"), {{kEnUs, kEnUs}}, L"en-US", kEnUs, true, 0,
     L"en-US", L"en-US", L"Orvanta Suite", {L"{CultureName}"}},
};

class LoadTest : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, DecidesAndPublishesTheCulture) {
  const LoadCase& c = GetParam();
  TempFolder setup;
  if (c.file) setup.Write(kCultureFile, *c.file);
  for (const auto& [built, as] : c.libraries) setup.CopyBuilt(built, as);

  MemoryLog log;
  PropertyMap properties;
  Localization localization(log, properties, setup.path());
  EXPECT_EQ(Load(localization, log, properties, setup.path()), c.loaded);
  EXPECT_EQ(localization.Loaded(), c.loaded);
  EXPECT_EQ(localization.Culture(), c.culture);
  EXPECT_EQ(localization.LibraryFileName(), c.libraryFile);
  EXPECT_EQ(localization.ImageCultureOffset(), c.offset);
  EXPECT_EQ(properties.Get(L"Culture"), c.cultureProperty);
  EXPECT_EQ(properties.Get(L"ProductCulture"), c.productProperty);
  EXPECT_EQ(properties.Get(L"[SUITE]"), c.suite);
  EXPECT_EQ(localization.String(50189).empty(), !c.loaded);

  std::wstring path = setup.path() + (c.file ? kCultureFile : kVariablesList);
  for (const wchar_t* node : {L"{CultureName}", L"{ProductCultureName}"}) {
    bool expected = std::find(c.missingNodes.begin(), c.missingNodes.end(), node) != c.missingNodes.end();
    EXPECT_EQ(log.Has(text::Format(L"%s not found in %s. Defaulting to %s", node, path, L"en-US")), expected)
        << text::ToUtf8(node);
  }
  EXPECT_EQ(log.lines.size(), c.missingNodes.size() + (c.loaded ? 0 : 1));
}

INSTANTIATE_TEST_SUITE_P(Cultures, LoadTest, testing::ValuesIn(kLoadCases),
                         [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(Localization, ReadsTheVariablesListWhenTheCultureFileIsAbsent) {
  TempFolder setup;
  setup.Write(L"VariablesList_Prod.xml", CultureFile("fr-CA", nullptr));
  setup.CopyBuilt(kFrCa, kFrCa);
  MemoryLog log;
  PropertyMap properties;
  Localization localization(log, properties, setup.path());
  EXPECT_TRUE(Load(localization, log, properties, setup.path(), L"VariablesList_Prod.xml"));
  EXPECT_EQ(localization.Culture(), L"fr-CA");
  EXPECT_EQ(localization.ProductCulture(), L"en-US");
  EXPECT_TRUE(log.Has(text::Format(L"{ProductCultureName} not found in %sVariablesList_Prod.xml. Defaulting to en-US",
                                   setup.path())));
}

TEST(Localization, CultureFileWinsOverTheVariablesList) {
  TempFolder setup;
  setup.Write(kCultureFile, CultureFile("fr-CA", "en-US"));
  setup.Write(kVariablesList, CultureFile("en-US", "en-CA"));
  setup.CopyBuilt(kFrCa, kFrCa);
  MemoryLog log;
  PropertyMap properties;
  Localization localization(log, properties, setup.path());
  EXPECT_TRUE(Load(localization, log, properties, setup.path()));
  EXPECT_EQ(localization.LibraryFileName(), kFrCa);
  EXPECT_EQ(localization.ImageCultureOffset(), 0);
}

TEST(Localization, MissingLibraryLogsItsPathAndLeavesEveryTextEmpty) {
  TempFolder setup;
  setup.Write(kCultureFile, CultureFile("fr-CA", "en-US"));
  MemoryLog log;
  PropertyMap properties;
  Localization localization(log, properties, setup.path());
  ASSERT_FALSE(Load(localization, log, properties, setup.path()));
  ASSERT_EQ(log.lines.size(), 1u);
  std::wstring prefix = L"Loading " + setup.path() + kFrCa + L" failed with error code:";
  ASSERT_EQ(log.lines[0].compare(0, prefix.size(), prefix), 0) << text::ToUtf8(log.lines[0]);
  EXPECT_NE(text::AtoI(log.lines[0].substr(prefix.size())), 0) << "the system error is not reported";
  for (UINT number : {104u, 50105u, 50189u, 50191u}) EXPECT_EQ(localization.String(number), L"") << number;
  EXPECT_EQ(localization.Message(50116, {L"Product"}), L"");
}

// A run with the test library, whose texts the table below knows.
class MessageTest : public testing::Test {
 protected:
  MemoryLog log_;
  PropertyMap properties_;
  std::unique_ptr<Localization> culture_ = LoadTestCulture(log_, properties_);
  Localization& localization_ = *culture_;
};

TEST_F(MessageTest, ReplacesArgumentsInAscendingOrder) {
  struct Case {
    UINT id;
    std::vector<std::wstring> args;
    const wchar_t* expected;
  } cases[] = {
      {100, {L"a.txt", L"C:\\dest"}, L"Copy a.txt to C:\\dest, then %3."},
      {100, {}, L"Copy %1 to %2, then %3."},
      {100, {L"x", L"y", L"z"}, L"Copy x to y, then z."},
      {101, {L"unused"}, L"Plain text"},
      {102, {L"Setup"}, L"Setup and Setup again"},
      // An argument is expanded again by the steps after it...
      {100, {L"%2", L"B"}, L"Copy B to B, then %3."},
      {100, {L"%3", L"B", L"C"}, L"Copy C to B, then C."},
      // ...but never by its own step: that would not terminate.
      {102, {L"%1%1"}, L"%1%1 and %1%1 again"},
      {102, {L""}, L" and  again"},
      {9999, {L"x"}, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(localization_.Message(c.id, c.args), c.expected) << c.id << " with " << c.args.size() << " arguments";
  }
}

TEST_F(MessageTest, StringReadsTheLoadedLibrary) {
  EXPECT_EQ(localization_.String(101), L"Plain text");
  EXPECT_EQ(localization_.String(50189), L"Test-Yes");
  EXPECT_EQ(localization_.String(50190), L"");
}

// Points ALLUSERSPROFILE at a temporary folder for one test, then puts it back.
class DocumentCacheTest : public testing::Test {
 protected:
  bool Present(const std::wstring& profile, const std::wstring& os) {
    profile_.Set(profile);
    PropertyMap properties;
    if (!os.empty()) properties.Set(L"OS", os);
    MemoryLog log;
    return Localization(log, properties, root_.path()).DocumentCachePresent();
  }
  TempFolder root_;
  EnvironmentOverride profile_{L"ALLUSERSPROFILE", std::nullopt};
};

TEST_F(DocumentCacheTest, TrueOnlyForAFolderWithContent) {
  std::wstring bare = root_.path().substr(0, root_.path().size() - 1);
  EXPECT_FALSE(Present(bare, L"")) << "absent folder";
  root_.MakeFolder(L"QV");
  root_.Write(L"QV\\DCS", "a file, not a folder");
  EXPECT_FALSE(Present(bare, L"")) << "DCS is a file";
  DeleteFileW((root_.path() + L"QV\\DCS").c_str());
  root_.MakeFolder(L"QV\\DCS");
  EXPECT_FALSE(Present(bare, L"")) << "empty folder";
  root_.MakeFolder(L"QV\\DCS\\sub");
  EXPECT_TRUE(Present(bare, L"")) << "a subfolder counts as content";
  RemoveDirectoryW((root_.path() + L"QV\\DCS\\sub").c_str());
  root_.Write(L"QV\\DCS\\cache.bin", "x");
  EXPECT_TRUE(Present(bare, L"Windows 10"));
  EXPECT_TRUE(Present(root_.path(), L"")) << "profile with a trailing backslash";
  EXPECT_FALSE(Present(bare, L"Windows XP")) << "XP keeps the cache under Application Data";
}

TEST_F(DocumentCacheTest, XpLooksUnderApplicationData) {
  std::wstring bare = root_.path().substr(0, root_.path().size() - 1);
  for (const wchar_t* part : {L"Application Data", L"Application Data\\QV", L"Application Data\\QV\\DCS"})
    root_.MakeFolder(part);
  EXPECT_FALSE(Present(bare, L"XP"));
  root_.Write(L"Application Data\\QV\\DCS\\cache.bin", "x");
  EXPECT_TRUE(Present(bare, L"Windows XP Professional"));
  EXPECT_FALSE(Present(bare, L"Windows 7"));
}

}  // namespace
