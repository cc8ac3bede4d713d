// Launch checks, launch messages, their two special screens and the suite uninstall confirmation.
#include "checks/launch_checks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "check_rules_fixture.h"
#include "core/run_mode.h"
#include "definition/product.h"

namespace {

// The wizard dialogs, recorded and answered from a script.
class FakeScreens : public LaunchScreens {
 public:
  void ShowUnsupportedOs() override { shown.push_back(L"UnsupportedOs"); }
  int ShowDocumentCache(const std::wstring& text) override {
    shown.push_back(L"DocumentCache " + text);
    return cacheAnswer;
  }
  int cacheAnswer = IDOK;
  std::vector<std::wstring> shown;
};

std::wstring Message(int order, const std::wstring& info, const std::wstring& option, const std::wstring& failOn,
                     const std::wstring& attributes = L"", const std::wstring& children = L"") {
  return text::Format(
      L"<LaunchMessage MessageOrder='%d'%s>%s<MessageInfo>%s</MessageInfo><Option>%s</Option>"
      L"<FailOn>%s</FailOn><Icon>Question</Icon></LaunchMessage>",
      order, attributes, children, info, option, failOn);
}

std::wstring ShowIf(const std::wstring& os) {
  return L"<ShowConditions><ShowIf Property='OS' Value='" + os + L"'/></ShowConditions>";
}

std::wstring Messages(const std::wstring& messages) {
  return L"<D><LaunchMessages>" + messages + L"</LaunchMessages></D>";
}

class LaunchTest : public CheckFixture {
 protected:
  void SetUp() override {
    CheckFixture::SetUp();
    settings.platformKind = PlatformKind::Online;
    settings.shortName = L"Demo";
    settings.solo = true;
    settings.modeFlags = mode::Install;
    settings.documentCachePresent = true;
    settings.suiteCaption = L"ZEM Telvia";
    settings.screens = &screens;
  }
  bool Run() { return LaunchMessages(context, settings).ShowLaunchMessages(); }
  std::vector<std::wstring> AskedTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& a : machine.prompts.asked) texts.push_back(a.text);
    return texts;
  }
  void AddProducts(const std::wstring& names) {
    ASSERT_TRUE(productDoc.Create(status));
    ASSERT_TRUE(productDoc.LoadText(L"<Products>" + names + L"</Products>"));
    std::vector<XmlNode> nodes;
    productDoc.SelectAll(L"//Product", nodes);
    for (const auto& node : nodes) catalog.push_back(std::make_shared<Product>(node, ReadContext{cultureLog, properties}, setup.path()));
    context.products = &catalog;
  }

  LaunchSettings settings;
  FakeScreens screens;
  HRESULT status = S_OK;
  XmlDocument productDoc;
  ProductCatalog catalog;
};

TEST_F(LaunchTest, LaunchChecksSetTheirPropertyOnce) {
  properties.Set(L"OS", L"Win10");
  properties.Set(L"Preset", L"kept");
  Load(
      L"<D><LaunchChecks>"
      L"<LaunchCheck Property='X'><CheckConditions><CheckIf Property='OS' Value='XP'/></CheckConditions>"
      L"<CheckGroupList><CheckGroup><Check Property='OS' Value='XP'/></CheckGroup></CheckGroupList></LaunchCheck>"
      L"<LaunchCheck Property='X'><CheckGroupList><CheckGroup><Check Property='OS' Value='Win7'/></CheckGroup>"
      L"<CheckGroup><Check Property='OS' Value='win10'/></CheckGroup></CheckGroupList></LaunchCheck>"
      L"<LaunchCheck Property='X'><CheckGroupList><CheckGroup><Check Property='OS' Value='Win7'/></CheckGroup>"
      L"</CheckGroupList></LaunchCheck>"
      L"<LaunchCheck Property='Y'><CheckGroupList><CheckGroup><Check Property='OS' Value='Win7'/></CheckGroup>"
      L"</CheckGroupList></LaunchCheck>"
      L"<LaunchCheck Property='Z'/><LaunchCheck Property='Preset'/><LaunchCheck/>"
      L"</LaunchChecks><LaunchChecks/></D>");
  RunLaunchChecks(context);
  EXPECT_EQ(properties.Get(L"X"), L"True");
  EXPECT_EQ(properties.Get(L"Y"), L"False");
  EXPECT_EQ(properties.Get(L"Z"), L"True");  // no groups: holds
  EXPECT_EQ(properties.Get(L"Preset"), L"kept");
  EXPECT_EQ(log.lines,
            (std::vector<std::wstring>{L"X True", L"Y False", L"Z True", L"LaunchCheck without a Property skipped",
                                       L"LaunchCheck node not found"}));
}

TEST_F(LaunchTest, MessagesShownInOrderUpToTheFirstGapWhenTheirConditionsHold) {
  properties.Set(L"OS", L"Win10");
  Load(Messages(Message(5, L"five", L"OK", L"") + Message(2, L"two", L"OK", L"") +
                Message(1, L"one", L"OK", L"", L"", ShowIf(L"Win10")) +
                Message(3, L"three", L"OK", L"OK", L"", ShowIf(L"XP"))));
  EXPECT_TRUE(Run());
  EXPECT_EQ(AskedTexts(), (std::vector<std::wstring>{L"one", L"two"}));
}

TEST_F(LaunchTest, AnswersStopOrSetTheProperty) {
  const struct {
    const wchar_t* option;
    const wchar_t* failOn;
    int answer;
    bool goesOn;
    const wchar_t* property;  // the value of "X" afterwards; empty: not set
  } cases[] = {
      {L"YesNo", L"No", IDYES, true, L"True"},
      {L"YesNo", L"No", IDNO, false, L""},
      {L"YesNo", L"No", IDCANCEL, false, L""},  // Esc on the box
      {L"YesNo", L"", IDCANCEL, true, L"False"},
      {L"YesNo", L"yes", IDYES, false, L""},
      {L"OKCancel", L"Cancel", IDOK, true, L"True"},
      {L"OKCancel", L"Cancel", IDCANCEL, false, L""},
      {L"OKCancel", L"", IDCANCEL, true, L"False"},
      {L"OK", L"OK", IDOK, false, L""},
      {L"YesNo", L"No", 0, false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(std::wstring(c.option) + L"/" + c.failOn) + " answer " + std::to_string(c.answer));
    properties = PropertyMap();
    machine.prompts.asked.clear();
    machine.prompts.answers = {c.answer};
    Load(Messages(Message(1, L"Go?", c.option, c.failOn, L" Property='X'") + Message(2, L"after", L"OK", L"")));
    EXPECT_EQ(Run(), c.goesOn);
    EXPECT_EQ(properties.Get(L"X"), c.property);
    EXPECT_EQ(properties.Has(L"X"), *c.property != L'\0');
    EXPECT_EQ(machine.prompts.asked.size(), c.goesOn ? 2u : 1u);
  }
}

TEST_F(LaunchTest, BoxStyleFollowsOptionAndIcon) {
  const struct {
    const wchar_t* option;
    const wchar_t* icon;
    UINT type;
  } cases[] = {
      {L"OKCancel", L"Question", MB_SETFOREGROUND | MB_OKCANCEL | MB_ICONQUESTION},
      {L"YesNo", L"Information", MB_SETFOREGROUND | MB_YESNO | MB_ICONINFORMATION},
      {L"OK", L"Warning", MB_SETFOREGROUND | MB_OK},
      {L"Maybe", L"", MB_SETFOREGROUND | MB_OK},
  };
  UseTestCulture();
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.option));
    machine.prompts.asked.clear();
    machine.prompts.answers = {IDOK};
    Load(
        Messages(text::Format(L"<LaunchMessage MessageOrder='1'><MessageInfo>[50120]</MessageInfo><Option>%s</Option>"
                              L"<FailOn>No</FailOn><Icon>%s</Icon></LaunchMessage>",
                              c.option, c.icon)));
    EXPECT_TRUE(Run());
    ASSERT_EQ(machine.prompts.asked.size(), 1u);
    EXPECT_EQ(machine.prompts.asked[0].type, c.type);
    EXPECT_EQ(machine.prompts.asked[0].caption, L"Demo Product");
    EXPECT_EQ(machine.prompts.asked[0].text, L"Culture text fifty-one-twenty");
  }
}

TEST_F(LaunchTest, SilentRunsStopOnlyOnOkOk) {
  context.silent = true;
  properties.Set(L"[WHO]", L"Alice");
  const struct {
    const wchar_t* option;
    const wchar_t* failOn;
    bool goesOn;
  } cases[] = {{L"OK", L"OK", false},
               {L"ok", L"Ok", false},
               {L"OK", L"Cancel", true},
               {L"YesNo", L"OK", true},
               {L"OKCancel", L"Cancel", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(std::wstring(c.option) + L"/" + c.failOn));
    log.lines.clear();
    Load(Messages(Message(1, L"[WHO] stops here", c.option, c.failOn)));
    EXPECT_EQ(Run(), c.goesOn);
    EXPECT_EQ(log.Has(L"Alice stops here"), !c.goesOn);
  }
  settings.solo = false;
  settings.modeFlags = mode::Uninstall;
  Load(Messages(Message(1, L"[50286]", L"OK", L"Cancel")));
  EXPECT_TRUE(Run());
  EXPECT_TRUE(machine.prompts.asked.empty());
  EXPECT_TRUE(screens.shown.empty());
}

TEST_F(LaunchTest, UnsupportedOsScreenStops) {
  UseTestCulture();
  Load(Messages(Message(1, L"[50286]", L"OK", L"") + Message(2, L"after", L"OK", L"")));
  EXPECT_FALSE(Run());
  EXPECT_EQ(screens.shown, std::vector<std::wstring>{L"UnsupportedOs"});
  EXPECT_TRUE(machine.prompts.asked.empty());

  settings.screens = nullptr;  // no wizard dialog: the culture text in a box, and still a stop
  EXPECT_FALSE(Run());
  EXPECT_EQ(AskedTexts(), std::vector<std::wstring>{L"This Windows is not supported."});
}

TEST_F(LaunchTest, DocumentCacheScreenOnlyWhereTheCacheMatters) {
  UseTestCulture();
  const struct {
    const char* name;
    int platformKind;
    const wchar_t* shortName;
    const wchar_t* tier1;  // null: not set
    const wchar_t* dcsCache;
    bool cachePresent;
    int answer;  // of the screen or the box
    bool screen;
  } cases[] = {
      {"AllHold", 2, L"Demo", L"False", L"", true, IDOK, true},
      {"CancelStops", 2, L"Demo", L"False", L"", true, IDCANCEL, true},
      {"TierAnyCase", 3, L"Demo", L"false", L"", true, IDOK, true},
      {"OpPlatform", 1, L"Demo", L"False", L"", true, IDOK, false},
      {"DevadirezTool", 2, L"devadirez", L"False", L"", true, IDOK, false},
      {"DownloadManager", 2, L"DownloadManager", L"False", L"", true, IDOK, false},
      {"FamilyInstalled", 2, L"Demo", L"True", L"", true, IDOK, false},
      {"TierUnknown", 2, L"Demo", nullptr, L"", true, IDOK, false},
      {"AlreadyChosen", 2, L"Demo", L"False", L"1", true, IDOK, false},
      {"NoCache", 2, L"Demo", L"False", L"", false, IDCANCEL, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    properties = PropertyMap();
    if (c.tier1) properties.Set(L"Tier1_Installed", c.tier1);
    properties.Set(kDocumentCacheProperty, c.dcsCache);
    settings.platformKind = static_cast<PlatformKind>(c.platformKind);
    settings.shortName = c.shortName;
    settings.documentCachePresent = c.cachePresent;
    screens.cacheAnswer = c.answer;
    screens.shown.clear();
    machine.prompts.asked.clear();
    machine.prompts.answers = {c.answer, IDOK};
    Load(Messages(Message(1, L"[50170]", L"OKCancel", L"Cancel") + Message(2, L"after", L"OK", L"")));
    const bool goesOn = c.answer != IDCANCEL;
    EXPECT_EQ(Run(), goesOn);
    std::vector<std::wstring> boxes = {L"Keep the document cache?", L"after"};
    if (c.screen) {
      EXPECT_EQ(screens.shown, std::vector<std::wstring>{L"DocumentCache Keep the document cache?"});
      boxes.erase(boxes.begin());
    }
    if (!goesOn) boxes.pop_back();
    EXPECT_EQ(AskedTexts(), boxes);
  }
}

TEST_F(LaunchTest, SuiteUninstallConfirmationListsEveryProduct) {
  UseTestCulture();
  AddProducts(L"<Product Name='Alpha' ShortName='A'/><Product Name='Beta' ShortName='B'/>");
  enum Shown { kNothing, kBox, kScreen };
  const struct {
    const char* name;
    bool solo;
    uint32_t mode;
    bool silent;
    int platformKind;
    bool familyListed;
    int answer;
    Shown shown;
    bool goesOn;
  } cases[] = {
      {"Yes", false, mode::Uninstall, false, 2, false, IDYES, kBox, true},
      {"No", false, mode::Uninstall | mode::Repair, false, 2, false, IDNO, kBox, false},
      {"Solo", true, mode::Uninstall, false, 2, false, IDNO, kNothing, true},
      {"Install", false, mode::Install, false, 2, false, IDNO, kNothing, true},
      {"Silent", false, mode::Uninstall, true, 2, false, IDNO, kNothing, true},
      {"FamilyListedScreenOk", false, mode::Uninstall, false, 2, true, IDOK, kScreen, true},
      {"FamilyListedScreenCancel", false, mode::Uninstall, false, 2, true, IDCANCEL, kScreen, false},
      {"OpNeverScreen", false, mode::Uninstall, false, 1, true, IDYES, kBox, true},
  };
  const std::wstring text = L"Remove all of:\n- Alpha\n- Beta\nGo on?";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settings.solo = c.solo;
    settings.modeFlags = c.mode;
    settings.platformKind = static_cast<PlatformKind>(c.platformKind);
    settings.allFamilyMembersListed = [&] { return c.familyListed; };
    context.silent = c.silent;
    screens.cacheAnswer = c.answer;
    screens.shown.clear();
    machine.prompts.asked.clear();
    machine.prompts.answers = {c.answer};
    Load(L"<D/>");
    EXPECT_EQ(Run(), c.goesOn);
    EXPECT_EQ(screens.shown,
              c.shown == kScreen ? std::vector<std::wstring>{L"DocumentCache " + text} : std::vector<std::wstring>{});
    ASSERT_EQ(machine.prompts.asked.size(), c.shown == kBox ? 1u : 0u);
    if (c.shown != kBox) continue;
    EXPECT_EQ(machine.prompts.asked[0].text, text);
    EXPECT_EQ(machine.prompts.asked[0].caption, L"ZEM Telvia");
    EXPECT_EQ(machine.prompts.asked[0].type, static_cast<UINT>(MB_SETFOREGROUND | MB_YESNO | MB_ICONQUESTION));
  }
}

TEST_F(LaunchTest, MissingPartsNeverCrash) {
  settings.solo = false;
  settings.modeFlags = mode::Uninstall;
  settings.screens = nullptr;
  machine.prompts.answers = {IDOK, IDYES};
  // No products, no culture library, a message without any child.
  Load(Messages(L"<LaunchMessage MessageOrder='1'/>"));
  EXPECT_TRUE(Run());
  EXPECT_EQ(AskedTexts(), (std::vector<std::wstring>{L"", L""}));
  EXPECT_TRUE(log.Has(L"Error 1 getting MessageInfo text"));
  EXPECT_EQ(machine.prompts.asked[0].type, static_cast<UINT>(MB_SETFOREGROUND | MB_OK));
}

}  // namespace
