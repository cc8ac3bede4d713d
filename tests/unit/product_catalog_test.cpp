// Choosing and loading the definition, building the catalog, and the Product record's own work.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "definition/product.h"
#include "definition/product_catalog.h"
#include "definition/xml_document.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_windows_installer.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using test_files::ExecutableFolder;

using TempFolder = ScratchFolder;

// A run's worth of context: the run's map and an en-US localization, a setup folder.
class CatalogTest : public testing::Test {
 protected:
  void SetUp() override {
    localization = std::make_unique<Localization>(cultureLog, properties, ExecutableFolder());
    ASSERT_TRUE(localization->Load({L"en-US", L"", L"setup_en-US.dll"}));
    properties.Set(L"[WORKINGDIRECTORY]", setup.path());
    context.setupDirectory = setup.path();
  }

  bool LoadText(const std::wstring& xml) {
    HRESULT status = S_OK;
    EXPECT_TRUE(doc.Create(status));
    EXPECT_TRUE(doc.LoadText(xml)) << text::ToUtf8(doc.ErrorReason());
    return LoadProducts(doc, context, catalog);
  }
  static std::string Utf8(const std::wstring& s) { return text::ToUtf8(s); }

  TempFolder setup;
  MemoryLog cultureLog, log;
  PropertyMap properties;
  std::unique_ptr<Localization> localization;
  FakePrompts prompts;
  DefinitionContext context{log, properties, prompts, nullptr, false, L"", L""};
  XmlDocument doc;
  ProductCatalog catalog;
};

const char kTwoProducts[] = "<Setup><Product ShortName=\"A\"/><Group><Product ShortName=\"B\"/></Group></Setup>";

TEST_F(CatalogTest, SearchSkipsSetupFilesAndLoadsTheDefinition) {
  context.localization = localization.get();
  setup.Write(L"VariablesList.xml", "<Vars/>");
  setup.Write(L"ProxyOverride.xml", "<Proxy/>");
  setup.Write(L"IUComponentVersionInfo.xml", "<Info/>");
  setup.Write(L"VARIABLESLIST_Prod.xml", "<Vars/>");
  setup.Write(L"Products.xml", kTwoProducts);
  ASSERT_EQ(LoadDefinitionDocument(doc, context), DefinitionLoad::Loaded);
  EXPECT_EQ(context.definitionFileName, L"Products.xml");
  EXPECT_TRUE(log.Has(L"Trying to load " + setup.path() + L"Products.xml"));
  ASSERT_TRUE(LoadProducts(doc, context, catalog));
  EXPECT_EQ(catalog.size(), 2u);
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(CatalogTest, NoUsableDefinitionIsToldUnlessSilent) {
  context.localization = localization.get();
  setup.Write(L"VariablesList.xml", "<Vars/>");
  setup.Write(L"iucomponentversioninfo.xml", "<Info/>");
  const std::wstring expected = localization->String(50106);
  ASSERT_FALSE(expected.empty());
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent);
    log.lines.clear();
    prompts.asked.clear();
    context.silent = silent;
    context.definitionFileName.clear();
    XmlDocument fresh;
    EXPECT_EQ(LoadDefinitionDocument(fresh, context), DefinitionLoad::NotFound);
    EXPECT_EQ(log.lines, std::vector<std::wstring>{expected});
    ASSERT_EQ(prompts.asked.size(), silent ? 0u : 1u);
    if (!silent) {
      EXPECT_EQ(prompts.asked[0].text, expected);
      EXPECT_EQ(prompts.asked[0].caption, L"");
      EXPECT_EQ(prompts.asked[0].type, static_cast<UINT>(MB_OK));
    }
  }
}

TEST_F(CatalogTest, NamedDefinitionThatIsMissing) {
  context.localization = localization.get();
  setup.Write(L"Products.xml", kTwoProducts);
  context.definitionFileName = L"Other.xml";
  EXPECT_EQ(LoadDefinitionDocument(doc, context), DefinitionLoad::NotFound);
  const std::wstring path = setup.path() + L"Other.xml";
  const std::wstring expected = localization->Message(50107, {path});
  EXPECT_NE(expected.find(path), std::wstring::npos);
  EXPECT_EQ(log.lines, std::vector<std::wstring>{expected});
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text, expected);
}

TEST_F(CatalogTest, DefinitionThatDoesNotParseIsLoggedOnce) {
  const std::pair<const char*, std::string> cases[] = {
      {"Unclosed", "<Setup>\n<Product ShortName=\"A\">\n</Setup>\n"},
      {"Empty", ""},
      {"Garbage", "\x01\x02not xml at all"},
      {"Doctype", "<?xml version=\"1.0\"?>\n<!DOCTYPE Setup>\n<Setup/>"},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    log.lines.clear();
    prompts.asked.clear();
    setup.Write(L"Products.xml", bytes);
    context.definitionFileName = L"Products.xml";
    XmlDocument fresh;
    EXPECT_EQ(LoadDefinitionDocument(fresh, context), DefinitionLoad::Invalid);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], L"Trying to load " + setup.path() + L"Products.xml");
    // The parser's own words: Wine's MSXML gives neither a reason of substance nor a line.
    EXPECT_FALSE(fresh.ErrorReason().empty());
    EXPECT_EQ(log.lines[1], text::Format(L"%sProducts.xml could not be parsed at line %d: %s", setup.path(),
                                         static_cast<int>(fresh.ErrorLine()), fresh.ErrorReason()));
    EXPECT_TRUE(prompts.asked.empty());
  }
}

TEST_F(CatalogTest, Utf16DefinitionWithByteOrderMarkLoads) {
  std::wstring xml = L"<Setup><Product ShortName=\"\u00C9t\u00E9\"/></Setup>";
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(xml.data()), xml.size() * sizeof(wchar_t));
  setup.Write(L"Products.xml", bytes);
  ASSERT_EQ(LoadDefinitionDocument(doc, context), DefinitionLoad::Loaded) << Utf8(log.lines.back());
  ASSERT_TRUE(LoadProducts(doc, context, catalog));
  EXPECT_EQ(catalog[0]->ShortName, L"\u00C9t\u00E9");
}

TEST_F(CatalogTest, DocumentTypeDeclarationsAreRefused) {
  setup.Write(L"secret.txt", "SECRET_CONTENT");
  const std::string cases[] = {
      "<!DOCTYPE Setup [<!ENTITY e SYSTEM \"secret.txt\">]><Setup><Product ShortName=\"S\" Name=\"&e;\"/></Setup>",
      "<!DOCTYPE Setup [<!ENTITY e SYSTEM \"secret.txt\">]><Setup><Product ShortName=\"S\">&e;</Product></Setup>",
      "<!DOCTYPE Setup [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
      "<Setup><Product ShortName=\"S\" Name=\"&b;\"/></Setup>",
      "<?xml version=\"1.0\"?><!doctype Setup SYSTEM \"secret.txt\"><Setup><Product/></Setup>",
  };
  for (const std::string& xml : cases) {
    SCOPED_TRACE(xml);
    log.lines.clear();
    setup.Write(L"Products.xml", xml);
    context.definitionFileName = L"Products.xml";
    XmlDocument fresh;
    EXPECT_EQ(LoadDefinitionDocument(fresh, context), DefinitionLoad::Invalid);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_NE(log.lines[1].find(L"at line 1: "), std::wstring::npos) << Utf8(log.lines[1]);
    // Nothing of the refused document can be read afterwards.
    std::vector<XmlNode> products;
    EXPECT_NE(fresh.SelectAll(L"//Product", products), XmlQuery::Found);
    EXPECT_TRUE(prompts.asked.empty());
  }
}

TEST_F(CatalogTest, ProductsComeInDocumentOrder) {
  ASSERT_TRUE(LoadText(L"<Setup><Product ShortName=\"A\"/><Group><Product ShortName=\"B\"/></Group></Setup>"));
  ASSERT_EQ(catalog.size(), 2u);
  EXPECT_EQ(catalog[0]->ShortName, L"A");
  EXPECT_EQ(catalog[1]->ShortName, L"B");
  EXPECT_EQ(catalog[0]->ResultCode, -1);
  EXPECT_EQ(catalog[0]->ExitCode, -1);
  EXPECT_FALSE(catalog[0]->Succeeded);
}

TEST_F(CatalogTest, NoProductIsFalseAndSaysSo) {
  catalog.push_back(nullptr);  // a stale catalog is replaced, not appended to
  context.definitionFileName = L"Products.xml";
  EXPECT_FALSE(LoadText(L"<Setup><Products/></Setup>"));
  EXPECT_TRUE(catalog.empty());
  EXPECT_EQ(log.lines, std::vector<std::wstring>{L"Products.xml holds no Product element; there is nothing to set up"});
}

TEST_F(CatalogTest, AttributesAreReadInFullAndSubstituted) {
  properties.Set(L"[EDITION]", L"Gold");
  ASSERT_TRUE(LoadText(
      L"<Setup><Product Resources=\"res.dll\" GUID=\"{1111}\" QVDirectory=\"QV\" RootDirectory=\"Root\" "
      L"Platform=\"OP\" ShortName=\"Main\" OldGUID=\"{0000}\" Dependency=\"Base\" Name=\"Orvanta [EDITION]\" "
      L"ReadMe=\"readme.txt\" NETFramework=\"4.8\"/></Setup>"));
  const Product& p = *catalog[0];
  EXPECT_EQ(p.Resources, L"res.dll");
  EXPECT_EQ(p.GUID, L"{1111}");
  EXPECT_EQ(p.QVDirectory, L"QV");
  EXPECT_EQ(p.RootDirectory, L"Root");
  EXPECT_EQ(p.Platform, L"OP");
  EXPECT_EQ(p.ShortName, L"Main");
  EXPECT_EQ(p.OldGUID, L"{0000}");
  EXPECT_EQ(p.Dependency, L"Base");
  EXPECT_EQ(p.Name, L"Orvanta Gold");
  EXPECT_EQ(p.ReadMe, L"readme.txt");
  EXPECT_EQ(p.NETFramework, L"4.8");
}

TEST_F(CatalogTest, FrameworkVersionDefaults) {
  ASSERT_TRUE(LoadText(L"<Setup><Product/><Product NETFramework=\"\"/><Product NETFramework=\"4.8\"/></Setup>"));
  EXPECT_EQ(catalog[0]->NETFramework, L"4.7.2");
  EXPECT_EQ(catalog[1]->NETFramework, L"4.7.2");
  EXPECT_EQ(catalog[2]->NETFramework, L"4.8");
}

struct LocationCase {
  const char* name;
  std::wstring shortName;  // the product's, also the package's unless package is set
  std::wstring package;    // the PackageFile element, "" for none
  std::wstring expectedFolder;  // "<setup>" stands for the setup folder
  std::wstring expectedLog;     // the one log line, "" for none; "<setup>" as above
};

TEST_F(CatalogTest, WorkingDirectoryComesFromTheMainPackage) {
  const LocationCase cases[] = {
      {"FullPath", L"X", L"<PackageFile><ShortName>X</ShortName><Location>[WORKINGDIRECTORY]\\Packages\\Main.msi</Location></PackageFile>",
       L"<setup>Packages", L""},
      {"BareName", L"X", L"<PackageFile><ShortName>X</ShortName><Location>Main.msi</Location></PackageFile>",
       L"<setup>", L"Main.msi is not a full path."},
      {"LeadingBackslash", L"X", L"<PackageFile><ShortName>X</ShortName><Location>\\Main.msi</Location></PackageFile>",
       L"", L""},
      {"OtherPackageOnly", L"X", L"<PackageFile><ShortName>Y</ShortName><Location>C:\\Y\\y.msi</Location></PackageFile>",
       L"<setup>",
       L"Error 0X1 selecting PackageFileGroup/PackageFile[ShortName=\"X\"] from product xml. Using <setup> as "
       L"working directory"},
      {"NoPackages", L"X", L"", L"<setup>",
       L"Error 0X1 selecting PackageFileGroup/PackageFile[ShortName=\"X\"] from product xml. Using <setup> as "
       L"working directory"},
      {"QuoteInShortName", L"a\"b",
       L"<PackageFile><ShortName>ab</ShortName><Location>C:\\Wrong\\w.msi</Location></PackageFile>"
       L"<PackageFile><ShortName>a\"b</ShortName><Location>C:\\Right\\r.msi</Location></PackageFile>",
       L"C:\\Right", L""},
  };
  auto expand = [&](std::wstring s) {
    for (size_t at = s.find(L"<setup>"); at != std::wstring::npos; at = s.find(L"<setup>"))
      s.replace(at, 7, setup.path());
    return s;
  };
  for (const LocationCase& c : cases) {
    SCOPED_TRACE(c.name);
    log.lines.clear();
    std::wstring shortName = c.shortName;
    for (size_t at = shortName.find(L'"'); at != std::wstring::npos; at = shortName.find(L'"', at))
      shortName.replace(at, 1, L"&quot;");
    std::wstring package = c.package;
    for (size_t at = package.find(L"a\"b"); at != std::wstring::npos; at = package.find(L"a\"b", at))
      package.replace(at, 3, L"a&quot;b");
    ASSERT_TRUE(LoadText(L"<Setup><Product ShortName=\"" + shortName + L"\"><PackageFileGroup>" + package +
                         L"</PackageFileGroup></Product></Setup>"));
    EXPECT_EQ(catalog[0]->ShortName, c.shortName);
    EXPECT_EQ(catalog[0]->WorkingDirectory, expand(c.expectedFolder));
    std::vector<std::wstring> expectedLog;
    if (!c.expectedLog.empty()) expectedLog.push_back(expand(c.expectedLog));
    EXPECT_EQ(log.lines, expectedLog);
  }
}

TEST_F(CatalogTest, ShortNameWithBothQuotesFallsBackToTheSetupFolder) {
  ASSERT_TRUE(LoadText(
      L"<Setup><Product ShortName=\"a&quot;b'c\"><PackageFileGroup><PackageFile><ShortName>a\"b'c</ShortName>"
      L"<Location>C:\\P\\p.msi</Location></PackageFile></PackageFileGroup></Product></Setup>"));
  EXPECT_EQ(catalog[0]->WorkingDirectory, setup.path());
  EXPECT_TRUE(log.HasContaining(L"Using " + setup.path() + L" as working directory"));
}

TEST_F(CatalogTest, TenThousandProducts) {
  std::wstring xml = L"<Setup>";
  for (int i = 0; i < 10000; ++i) xml += text::Format(L"<Product ShortName=\"P%d\" GUID=\"{%d}\"/>", i, i);
  xml += L"</Setup>";
  ASSERT_TRUE(LoadText(xml));
  ASSERT_EQ(catalog.size(), 10000u);
  EXPECT_EQ(catalog.front()->ShortName, L"P0");
  EXPECT_EQ(catalog.back()->ShortName, L"P9999");
  EXPECT_EQ(catalog.back()->WorkingDirectory, setup.path());
}

class ResourcesTest : public CatalogTest {
 protected:
  std::shared_ptr<Product> MakeProduct(const std::wstring& resources) {
    EXPECT_TRUE(LoadText(L"<Setup><Product ShortName=\"P\" Resources=\"" + resources + L"\"/></Setup>"));
    log.lines.clear();
    return catalog.empty() ? nullptr : catalog[0];
  }
  Product::ResourceContext Context(bool uninstallOrRepair, bool silent) {
    Product::ResourceContext c;
    c.uninstallOrRepair = uninstallOrRepair;
    c.silent = silent;
    c.setupDirectory = setup.path();
    c.prompts = &prompts;
    c.localization = localization.get();
    return c;
  }
};

TEST_F(ResourcesTest, LibraryFolderDependsOnTheMode) {
  CreateDirectoryW((setup.path() + L"Packages").c_str(), nullptr);
  setup.CopyBuilt(L"setup_qa-QA.dll", L"InSetup.dll");
  setup.CopyBuilt(L"setup_qa-QA.dll", L"Packages\\InPackages.dll");
  const struct {
    bool uninstallOrRepair;
    const wchar_t* file;
    bool loads;
  } cases[] = {{true, L"InSetup.dll", true},
               {true, L"InPackages.dll", false},
               {false, L"InPackages.dll", true},
               {false, L"InSetup.dll", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.file) + (c.uninstallOrRepair ? " uninstall" : " install"));
    auto product = MakeProduct(c.file);
    ASSERT_TRUE(product);
    product->WorkingDirectory = setup.path() + L"Packages";
    EXPECT_EQ(product->LoadResources(Context(c.uninstallOrRepair, true)), c.loads);
    if (c.loads) {
      EXPECT_TRUE(log.lines.empty());
      EXPECT_EQ(product->ResourceString(101), L"Plain text");
      EXPECT_EQ(product->ResourceString(9999), L"");
      EXPECT_TRUE(product->LoadResources(Context(c.uninstallOrRepair, true)));
    } else {
      std::wstring path = c.uninstallOrRepair ? setup.path() + c.file : setup.path() + L"Packages\\" + c.file;
      EXPECT_EQ(log.lines, std::vector<std::wstring>{path + L" not found."});
      EXPECT_EQ(product->ResourceLibrary(), nullptr);
    }
  }
}

TEST_F(ResourcesTest, MissingLibraryIsShownUnlessSilent) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent);
    prompts.asked.clear();
    auto product = MakeProduct(L"Missing.dll");
    ASSERT_TRUE(product);
    EXPECT_FALSE(product->LoadResources(Context(true, silent)));
    const std::wstring path = setup.path() + L"Missing.dll";
    EXPECT_EQ(log.lines, std::vector<std::wstring>{path + L" not found."});
    ASSERT_EQ(prompts.asked.size(), silent ? 0u : 1u);
    if (!silent) {
      EXPECT_EQ(prompts.asked[0].text, localization->Message(50109, {path}));
      EXPECT_NE(prompts.asked[0].text.find(path), std::wstring::npos);
    }
  }
}

TEST_F(ResourcesTest, FileThatIsNoLibrary) {
  setup.Write(L"Broken.dll", "this is not a portable executable");
  auto product = MakeProduct(L"Broken.dll");
  ASSERT_TRUE(product);
  EXPECT_FALSE(product->LoadResources(Context(true, false)));
  EXPECT_EQ(log.lines, std::vector<std::wstring>{setup.path() + L"Broken.dll not loaded."});
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(product->ResourceString(101), L"");
}

TEST_F(CatalogTest, DependencyIsAskedOfWindowsInstaller) {
  ASSERT_TRUE(LoadText(
      L"<Setup><Product ShortName=\"Base\" GUID=\"{aaaa}\"/><Product ShortName=\"base\" GUID=\"{bbbb}\"/>"
      L"<Product ShortName=\"Main\"/></Setup>"));
  Product& main = *catalog[2];
  const struct {
    const wchar_t* dependency;
    int state;  // of the first "Base"; the second is always installed
    bool expected;
    size_t queries;
  } cases[] = {{L"", -1, true, 0},     {L"Elsewhere", -1, true, 0}, {L"Base", 5, true, 1},
               {L"BASE", 2, true, 1},  {L"base", -1, false, 1},    {L"Base", 1, false, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.dependency) + " " + std::to_string(c.state));
    FakeWindowsInstaller installer;
    installer.states[L"{AAAA}"] = c.state;
    installer.states[L"{BBBB}"] = 5;
    main.Dependency = c.dependency;
    EXPECT_EQ(main.IsDependencyInstalled(catalog, installer), c.expected);
    ASSERT_EQ(installer.calls.size(), c.queries);
    if (c.queries) {
      EXPECT_EQ(installer.calls[0], L"QueryProductState {aaaa}");
    }
  }
}

}  // namespace
