// The products' display name, texts and window titles, from the sample resource library.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/product_texts.h"
#include "core/run_mode.h"
#include "fakes/fake_prompts.h"
#include "fixtures.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

class ProductTextsTest : public DefinitionTest {
 protected:
  void SetUp() override {
    DefinitionTest::SetUp();
    for (const wchar_t* place : {L"..\\dist\\Packages\\Rizodresources.dll", L"Rizodresources.dll"}) {
      if (platform::FileExists(test_files::ExecutableFolder() + place)) {
        library_ = place;
        break;
      }
    }
    if (library_.empty()) GTEST_SKIP() << "Rizodresources.dll is built by the dist target";
    // Installs read the library beside the packages, repairs and uninstalls beside setup.exe.
    setup_.MakeFolder(L"Packages");
    setup_.CopyBuilt(library_, L"Packages\\Rizodresources.dll");
    setup_.CopyBuilt(library_, L"Rizodresources.dll");
    properties.Set(L"[WORKINGDIRECTORY]", setup_.path());
  }

  // One product per resource library name, each with its package below "Packages".
  ProductCatalog Catalog(const std::vector<std::wstring>& resources) {
    std::wstring xml = L"<Setup>";
    for (const std::wstring& r : resources)
      xml += L"<Product ShortName='Rizod' Resources='" + r + L"'><PackageFileGroup><PackageFile><ShortName>Rizod"
             L"</ShortName><Location>[WORKINGDIRECTORY]\\Packages\\Rizod.msi</Location></PackageFile>"
             L"</PackageFileGroup></Product>";
    Load(xml + L"</Setup>");
    std::vector<XmlNode> nodes;
    doc.SelectAll(L"//Product", nodes);
    ProductCatalog catalog;
    for (const XmlNode& node : nodes) catalog.push_back(std::make_shared<Product>(node, values, setup_.path()));
    return catalog;
  }
  ProductTextSettings Settings(PlatformKind kind, uint32_t modeFlags, bool silent = true) {
    ProductTextSettings s;
    s.kind = kind;
    s.solo = true;
    s.modeFlags = modeFlags;
    s.silent = silent;
    s.setupDirectory = setup_.path();
    s.prompts = &prompts_;
    s.localization = culture_.get();
    return s;
  }
  // The English culture; an en-CA product culture shifts the product's texts.
  void UseCulture(const std::wstring& productCulture) {
    culture_ = std::make_unique<Localization>(cultureLog_, cultureProperties_, test_files::ExecutableFolder());
    ASSERT_TRUE(culture_->Load({L"en-US", productCulture, L"setup_en-US.dll"}));
  }

  ScratchFolder setup_;
  std::wstring library_;
  MemoryLog cultureLog_;
  PropertyMap cultureProperties_;
  std::unique_ptr<Localization> culture_;
  FakePrompts prompts_;
  EnvironmentOverride productName_{L"setup_productname", L"before"};
};

TEST_F(ProductTextsTest, NamesAndTitlesByPlatformCultureAndMode) {
  const std::wstring server = L"Rizod Server";
  const std::wstring intro = L"Rizod Document Server";
  const std::wstring online = L"Rizod Server Online";
  const std::wstring onlineIntro = L"Rizod Document Server Online";
  const std::wstring canada = L"Rizod Server (Canada)";
  const std::wstring canadaIntro =
      L"Rizod Document Server (Canada)";
  constexpr uint32_t I = mode::Install, U = mode::Uninstall, R = mode::Repair, G = mode::Upgrade;
  enum Titles { Culture, Telvia, Quillon };
  const struct {
    const wchar_t* platform;
    const wchar_t* productCulture;
    uint32_t modeFlags;
    std::wstring name, text1007;
    Titles titles;
    int current;
  } rows[] = {
      {L"OP", L"", I, server, intro, Culture, 2},
      {L"OP", L"", U, server, intro, Culture, 3},
      {L"OP", L"", R, server, intro, Culture, 2},
      {L"OP", L"", R | U, server, intro, Culture, 3},
      {L"op", L"en-CA", I, canada, canadaIntro, Culture, 2},
      {L"SaaS", L"", I, online, onlineIntro, Telvia, 2},
      {L"", L"", U, online, onlineIntro, Telvia, 3},
      {L"Foundation", L"", I, server, intro, Quillon, 2},
      {L"Foundation", L"en-CA", G, canada, canadaIntro, Quillon, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(row.platform) << " " << text::ToUtf8(row.productCulture)
                                    << " mode " << row.modeFlags);
    UseCulture(row.productCulture);
    ProductTexts texts;
    ASSERT_TRUE(texts.Load(Catalog({L"Rizodresources.dll"}), Settings(PlatformKindOf(row.platform), row.modeFlags)));
    EXPECT_EQ(texts.DisplayName(), row.name);
    EXPECT_EQ(texts.Text1007(), row.text1007);
    EXPECT_EQ(texts.Text1008(), L"Orvanta Inc.");  // 1008 is never shifted
    for (int n = 1; n <= 3; ++n) {
      std::wstring expected = row.titles == Telvia ? L"ZEM Telvia Installation" : L"Quillon Installation";
      if (row.titles == Culture) {
        expected = culture_->String(50180 + n);
        size_t at = expected.find(L"%1");
        ASSERT_NE(at, std::wstring::npos) << n;
        expected.replace(at, 2, row.name);
      }
      EXPECT_EQ(texts.Title(n), expected) << n;
    }
    EXPECT_EQ(texts.CurrentTitle(), texts.Title(row.current));
    EXPECT_EQ(platform::EnvironmentValue(L"setup_productname"), row.name);
  }
}

TEST_F(ProductTextsTest, MissingLibraryFails) {
  UseCulture(L"");
  const struct {
    bool silent;
    std::vector<std::wstring> resources;
    size_t boxes;
  } rows[] = {
      {true, {L"Missing.dll"}, 0},
      {false, {L"Missing.dll"}, 1},
      {true, {L"Rizodresources.dll", L"Missing.dll"}, 0},  // the first product's library is fine, the second's is not
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.silent << " " << row.resources.size());
    prompts_.asked.clear();
    log.lines.clear();
    ProductTexts texts;
    EXPECT_FALSE(texts.Load(Catalog(row.resources), Settings(PlatformKind::OnPremises, mode::Install, row.silent)));
    EXPECT_EQ(prompts_.asked.size(), row.boxes);
    EXPECT_EQ(texts.DisplayName(), L"");
    EXPECT_EQ(texts.CurrentTitle(), L"");
    EXPECT_EQ(platform::EnvironmentValue(L"setup_productname"), L"before");
    EXPECT_TRUE(log.Has(setup_.path() + L"Packages\\Missing.dll not found."));
  }
}

}  // namespace
