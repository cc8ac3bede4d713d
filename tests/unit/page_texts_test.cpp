// The pages' text and choice rules: product lists, folder display, the finish page's outcome
// texts, offers and actions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run_mode.h"
#include "ui/finish_offers.h"
#include "ui/finish_outcome.h"
#include "engine/finish_plan.h"
#include "ui/page_texts.h"

namespace {

using Texts = std::vector<std::wstring>;
constexpr PlatformKind OP = PlatformKind::OnPremises, Online = PlatformKind::Online,
                       Foundation = PlatformKind::Foundation;

TEST(PageTextsTest, ProductListNamesEveryProductOnlyForSeveralOffPremises) {
  struct Case { PlatformKind kind; bool solo; Texts names; std::wstring expected; };
  const Case cases[] = {
      {Online, false, {L"A", L"B", L"C"}, L"A, B and C"},
      {Online, false, {L"A", L"B"}, L"A and B"},
      {Foundation, false, {L"A", L"B", L"C", L"D"}, L"A, B, C and D"},
      {Online, true, {L"A"}, L"Welcome"},
      {OP, false, {L"A", L"B"}, L"Welcome"},
      {Online, false, {}, L"Welcome"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProductList(c.kind, c.solo, L"Welcome", c.names), c.expected) << c.expected;
}

TEST(PageTextsTest, InstallPageModeWordAndHiddenControls) {
  struct Case { uint32_t flags; UINT word; std::vector<int> hidden; };
  const Case cases[] = {
      {mode::Install, 50111, {189}},   {mode::Uninstall, 50112, {248, 189}}, {mode::Upgrade, 50124, {}},
      {mode::Repair, 50123, {189}},    {mode::Install | mode::Upgrade, 50111, {189}},
  };
  for (const Case& c : cases) {
    InstallPageTexts t = InstallPageModeTexts(c.flags);
    EXPECT_EQ(t.modeWord, c.word) << c.flags;
    EXPECT_EQ(t.hiddenControls, c.hidden) << c.flags;
  }
}

TEST(PageTextsTest, ShortenedFolderKeepsTheTailAndNeverCutsOutside) {
  // Every character 6 pixels wide, a "W" 11: a font whose wide letters a count of characters
  // would underestimate.
  const auto widthOf = [](const std::wstring& text) {
    int width = 0;
    for (wchar_t c : text) width += c == L'W' ? 11 : 6;
    return width;
  };
  const std::wstring folder = L"C:\\Program Files\\Orvanta\\Suite\\Server\\";  // 38 characters
  const std::wstring wide = L"C:\\Program Files\\WWWWWWWWWW";                       // 17 characters, 10 W
  struct Case {
    std::wstring full;
    int controlWidth;
    std::wstring expected;
    bool wraps;
  } cases[] = {
      {folder, 228, folder, false},                            // fits exactly
      {folder, 227, L"C:\\Program Files\\Orvanta\\S...\\Server\\", false},  // a pixel short: the middle goes
      {folder, 66, L"...\\Server\\", false},                  // only the last name is left
      {folder, 65, folder, true},                              // not even that: all of it, wrapped
      {wide, 210, L"C:\\Program F...\\WWWWWWWWWW", false},      // the W's are measured, not counted
      {L"Server", 20, L"Server", true},                        // no folder to leave out
      {L"C:\\Apps\\\xD83D\xDE00xxxxxx\\Rizod", 110, L"C:\\Apps\\...\\Rizod", false},  // never half a pair
  };
  for (const Case& c : cases) {
    const ShownFolder shown = ShortenedFolder(c.full, c.controlWidth, widthOf);
    EXPECT_EQ(shown.text, c.expected) << c.controlWidth;
    EXPECT_EQ(shown.wraps, c.wraps) << c.controlWidth;
    if (!shown.wraps) {
      EXPECT_LE(widthOf(shown.text), c.controlWidth) << c.controlWidth;
    }
  }
}

TEST(PageTextsTest, BrowsedFolderJoinsWithoutDoubledBackslashes) {
  struct Case { std::wstring chosen, product, expected; };
  const Case cases[] = {
      {L"C:\\", L"Orvanta", L"C:\\Orvanta\\"},
      {L"D:\\Apps", L"Orvanta", L"D:\\Apps\\Orvanta\\"},
      {L"D:\\Apps", L"Orvanta\\", L"D:\\Apps\\Orvanta\\"},
      {L"D:\\Apps", L"", L"D:\\Apps\\"},
      {L"\\\\server\\share", L"Orvanta", L"\\\\server\\share\\Orvanta\\"},
      {L"", L"Orvanta", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinBrowsedFolder(c.chosen, c.product), c.expected) << c.chosen;
}

TEST(FinishOutcomeTest, ModeWordsWalkAndCheckBoxes) {
  EXPECT_EQ(FinishModeWords(mode::Install, 0).modeWord, 50122u);
  EXPECT_EQ(FinishModeWords(mode::Install, 1603).modeWord, 50111u);
  EXPECT_EQ(FinishModeWords(mode::Repair, 0).completionPhrase, 50127u);
  EXPECT_EQ(FinishModeWords(0, 0).modeWord, 50148u);
  EXPECT_EQ(FinishModeWords(0, 0).completionPhrase, 0u);

  struct Walk { std::vector<bool> succeeded; bool single, mixed; std::wstring last; };
  const Walk walks[] = {
      {{true, false, false}, false, true, L"False"},  // stops at the second product
      {{false, false, true, false}, false, true, L"True"},
      {{true, true}, false, false, L"True"},
      {{false}, true, false, L""},
  };
  for (const Walk& w : walks) {
    OutcomeWalk got = WalkOutcomes(w.succeeded, w.single);
    EXPECT_EQ(got.mixed, w.mixed);
    EXPECT_EQ(got.setupSuccess, w.last);
  }
  EXPECT_TRUE(CheckBoxesShown(mode::Install, 0, false));
  EXPECT_TRUE(CheckBoxesShown(mode::Install, 1603, true));
  EXPECT_FALSE(CheckBoxesShown(mode::Install, 1602, false));
  EXPECT_FALSE(CheckBoxesShown(mode::Repair, 0, false));
}

TEST(FinishOutcomeTest, TitleAndOutcomeTextForEveryRow) {
  struct Case {
    uint32_t flags; int code; bool mixed, restart, prerequisites; PlatformKind kind;
    UINT title; OutcomeBody body; UINT text; Texts args; bool record;
  };
  const auto F = OutcomeBody::Format;
  const Texts failure = {L"Orvanta", L"repair", L"1603", L"Fatal", L"repair", L"Orvanta", L"Call us"};
  const Case cases[] = {
      {mode::Install, 1603, true, false, true, OP, 50121, OutcomeBody::Clear, 0, {}, false},
      {mode::Install, 0, false, false, true, OP, 50118, F, 50119, {L"A and B", L"done"}, false},
      {mode::Install, 0, false, false, true, Foundation, 50118, F, 50284, {L"A and B", L"done"}, false},
      {mode::Repair, 0, false, false, true, Foundation, 50118, F, 50119, {L"A and B", L"done"}, false},
      {mode::Install, 0, false, true, true, OP, 50118, F, 50177, {L"A and B"}, true},
      {mode::Upgrade, 0, false, true, true, OP, 50118, F, 50218, {}, true},
      {mode::Install, 1602, false, false, true, OP, 50129, OutcomeBody::Keep, 0, {}, false},
      {mode::Install, 103011, false, false, true, OP, 50130, F, 50178, {L"Orvanta", L"3010", L"Fatal"}, false},
      {mode::Install, 103010, false, false, true, OP, 50130, F, 50288,
       {L"A and B", L"Orvanta Suite Update Manager"}, false},
      {mode::Install, 1603, false, false, true, OP, 50130, F, 50165,
       {L"Orvanta", L"1603", L"Fatal", L"Orvanta", L"Call us"}, false},
      {mode::Install, 1603, false, false, false, OP, 50130, F, 50166, {L"Orvanta", L"Orvanta", L"Call us"}, false},
      {mode::Upgrade, 103011, false, false, true, OP, 50130, F, 50178, {L"Orvanta", L"3010", L"Fatal"}, false},
      {mode::Upgrade, 103010, false, false, true, OP, 50130, F, 50179, {L"Orvanta", L"Orvanta"}, false},
      {mode::Upgrade, 1603, false, false, true, OP, 50130, F, 50131, failure, false},
      {mode::Repair, 103010, false, false, true, OP, 50130, F, 50131,
       {L"Orvanta", L"repair", L"103010", L"Fatal", L"repair", L"Orvanta", L"Call us"}, false},
      {mode::Uninstall, 1603, false, false, true, OP, 50130, F, 50131, failure, false},
      {0, 1603, false, false, true, OP, 50130, F, 50131, failure, false},
  };
  for (const Case& c : cases) {
    OutcomeInputs in;
    in.modeFlags = c.flags;
    in.setupResultCode = c.code;
    in.mixed = c.mixed;
    in.restartRequired = c.restart;
    in.prerequisitesPassed = c.prerequisites;
    in.kind = c.kind;
    in.modeWord = L"RePair";
    in.completionPhrase = L"done";
    in.supportText = L"Call us";
    in.description = L"Fatal";
    in.welcomeName = L"Orvanta";
    in.productList = L"A and B";
    OutcomeTexts got = FinishOutcome(in);
    const std::string row = std::to_string(c.flags) + "/" + std::to_string(c.code);
    EXPECT_EQ(got.title, c.title) << row;
    EXPECT_EQ(got.showTable, c.mixed) << row;
    EXPECT_EQ(got.body, c.body) << row;
    EXPECT_EQ(got.bodyText, c.text) << row;
    EXPECT_EQ(got.bodyArgs, c.args) << row;
    EXPECT_EQ(got.recordReboot, c.record) << row;
  }
}

TEST(FinishOutcomeTest, WhatChangedAndTheLogLinkByOutcome) {
  const struct {
    int code;
    bool mixed;
    UINT changes;
    bool log;
  } rows[] = {
      {0, false, 0, false},         {1602, false, 50310, true},  {1603, false, 50311, true},
      {1603, true, 50312, true},    {0, true, 50312, true},      {50000, false, 50311, true},
      {103010, false, 0, true},     {103011, false, 0, true},    {3010, false, 0, true},
  };
  for (const auto& row : rows) {
    OutcomeInputs in;
    in.modeFlags = mode::Install;
    in.setupResultCode = row.code;
    in.mixed = row.mixed;
    const OutcomeTexts got = FinishOutcome(in);
    EXPECT_EQ(got.changes, row.changes) << row.code << (row.mixed ? " mixed" : "");
    EXPECT_EQ(got.showLog, row.log) << row.code << (row.mixed ? " mixed" : "");
  }
}

TEST(FinishOutcomeTest, RebootNameAndStatusCell) {
  EXPECT_EQ(RebootComponentName(L"orvanta report server components", OP, L"en-US"),
            L"orvanta report server components");
  EXPECT_EQ(RebootComponentName(L"Orvanta", OP, L"en-CA"), L"ZEM Brindle Suite Update Manager");
  EXPECT_EQ(RebootComponentName(L"Orvanta", Online, L"en-CA"), L"ZEM Telvia Update Manager");
  EXPECT_EQ(RebootComponentName(L"Orvanta", Foundation, L"en-US"), L"Orvanta Foundation Update Manager");
  EXPECT_EQ(StatusCell(true, 0, L"x"), L"Success");
  EXPECT_EQ(StatusCell(false, -2147024891, L"Access is denied."), L"Error code : -2147024891 - Access is denied.");
}

TEST(FinishOffersTest, ReadMeAndDashboardSettingsAndTargets) {
  EXPECT_EQ(ChooseReadMe({L"a.rtf", L"b.rtf"}), L"b.rtf");
  EXPECT_EQ(ChooseReadMe({L"a.rtf", L"", L"c.rtf"}), L"");
  EXPECT_EQ(ChooseDashboard(L"new", L"old", L"Win2003R2"), L"old");
  EXPECT_EQ(ChooseDashboard(L"new", L"old", L"Win7"), L"new");
  EXPECT_EQ(ChooseDashboard(L"new", L"", L"XP"), L"new");
  EXPECT_TRUE(HidesOffer(L"Hide"));
  EXPECT_EQ(DashboardName(Online, 20000).productText, 51016u);

  EXPECT_EQ(ReadMePath(L"", OP, L"C:\\Orvanta", L"Docs", L"fr-CA"), L"C:\\Orvanta\\Docs\\Readme_fr-CA.rtf");
  EXPECT_EQ(ReadMePath(L"", Online, L"C:\\Orvanta\\", L"Docs", L"fr-CA"), L"C:\\Orvanta\\Readme.rtf");
  EXPECT_EQ(ReadMePath(L"", OP, L"C:\\Orvanta", L"Docs", L"..\\..\\x"), L"");
  EXPECT_EQ(ReadMePath(L"", Online, L"", L"Docs", L"en-US"), L"");
  EXPECT_EQ(DashboardShortcut(OP, L"en-CA"), L"\\ZEM Brindle Suite\\Dashboard.lnk");
  EXPECT_EQ(DashboardShortcut(Online, L"en-CA"), L"\\ZEM Telvia\\Dashboard.lnk");

  OfferLaunch word = ReadMeLaunch(L"C:\\Orvanta\\Readme.rtf", L"C:\\Office");
  EXPECT_EQ(word.program, L"C:\\Office\\winword.exe");
  EXPECT_EQ(word.parameters, L"\"C:\\Orvanta\\Readme.rtf\"");
  EXPECT_EQ(word.workingFolder, L"C:\\Orvanta");
  EXPECT_EQ(ReadMeLaunch(L"C:\\Readme.rtf", L"").workingFolder, L"C:\\");
  EXPECT_EQ(ReadMeLaunch(L"C:\\a\" /x \"b.rtf", L"C:\\Office").program, L"");
  OfferLaunch shell = DashboardLaunch(L"", L"", L"C:\\Orvanta");
  EXPECT_EQ(shell.program, L"C:\\Orvanta\\ZEM.CommonUIFramework.Shell.exe");
  EXPECT_EQ(shell.parameters, L"DashboardProfile");
  EXPECT_EQ(DashboardLaunch(L"", L"C:\\P\\Dashboard.lnk", L"C:\\Orvanta").program, L"C:\\P\\Dashboard.lnk");
  EXPECT_EQ(DashboardLaunch(L"", L"", L"").program, L"");
}

// The log link and the offers at 96 and 192 DPI (heights and spacing doubled): the last one keeps
// the margin above the button strip, none overlaps the next.
TEST(FinishOffersTest, BottomControlsKeepTheMarginAtEveryDpi) {
  const struct {
    int pageBottom, margin, gap;
    std::vector<int> heights, tops;
  } rows[] = {
      {569, 11, 6, {16, 16, 16}, {498, 520, 542}},
      {1138, 22, 12, {32, 32, 32}, {996, 1040, 1084}},
      {569, 11, 6, {34, 16}, {502, 542}},  // a link wrapped over two lines
      {569, 11, 6, {}, {}},
  };
  for (const auto& row : rows) {
    const std::vector<int> tops = BottomStackTops(row.pageBottom, row.margin, row.gap, row.heights);
    EXPECT_EQ(tops, row.tops) << row.pageBottom;
    if (!tops.empty()) {
      EXPECT_EQ(tops.back() + row.heights.back(), row.pageBottom - row.margin);
    }
  }
}

TEST(FinishPlanTest, StepsByCodeModeAndOutcome) {
  using namespace finish_step;
  const uint32_t all = SetSuccess | CopySetupFiles | ProxyOverride | FinalizeGroups;
  struct Case { int code; uint32_t flags; std::vector<bool> ok; bool handOver, recheck, offers; std::vector<uint32_t> steps; };
  const Case cases[] = {
      {0, mode::Install, {true, true}, false, false, true, {all, all}},
      {0, mode::Uninstall, {true, true}, false, true, false, {SetSuccess | FinalizeGroups, SetSuccess | FinalizeGroups}},
      {0, mode::Uninstall, {true}, false, false, false, {SetSuccess | FinalizeGroups}},
      {0, mode::Upgrade, {true}, false, false, false, {all}},
      {0, mode::Repair, {true}, false, false, false, {SetSuccess | ProxyOverride | FinalizeGroups}},
      {103011, mode::Install, {true}, true, false, false, {}},
      {103010, mode::Repair, {true}, true, false, false, {}},
      {103010, mode::Install, {true, false}, false, false, true, {all, SetSuccess | ExecuteCommandsOnly}},
      {1602, mode::Uninstall, {true, false}, false, false, false,
       {SetSuccess | FinalizeGroups, SetSuccess | ExecuteCommandsOnly}},
      {1603, mode::Install, {false}, false, false, false, {SetSuccess | ExecuteCommandsOnly}},
  };
  for (const Case& c : cases) {
    FinishPlan plan = PlanFinish(c.code, c.flags, c.ok);
    EXPECT_EQ(plan.restartHandOver, c.handOver) << c.code << "/" << c.flags;
    EXPECT_EQ(plan.recheckMsiFirst, c.recheck) << c.code << "/" << c.flags;
    EXPECT_EQ(plan.offersAfterwards, c.offers) << c.code << "/" << c.flags;
    EXPECT_EQ(plan.products, c.steps) << c.code << "/" << c.flags;
  }
}

}  // namespace
