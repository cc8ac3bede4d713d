// The wizard's pages as windows, over a run made of fakes. They need a display (the test command
// gives the unit tests an Xvfb one); without one they skip.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "fakes/fake_wizard_host.h"
#include "fixtures.h"
#include "ui/launch_dialogs.h"
#include "core/run_mode.h"
#include "ui/multiline_list.h"
#include "ui/page_template.h"
#include "ui/product_sheets.h"
#include "ui/product_page.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

constexpr int kFolder = IDC_FOLDER, kBrowse = IDC_BROWSE;

class WizardWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    richEdit_.reset(LoadLibraryW(L"riched20.dll"));
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (!probe) GTEST_SKIP() << "windows cannot be created here (no display)";
    DestroyWindow(probe);
    host_.localization = LoadTestCulture(host_.log, host_.properties);
  }
  // The sheet of the run's mode, shown on the given page (0 welcome, 1 product, ...).
  HWND Show(CWizardSheet& sheet, size_t page) {
    sheet.Fonts().Prepare(L"C:\\windows", 10);
    if (!sheet.Create()) return nullptr;
    sheet.SetActivePage(*sheet.Page(page));
    Pump();
    return sheet.Page(page)->Window();
  }
  static void Pump() {
    MSG message;
    for (int i = 0; i < 20; ++i) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(5);
    }
  }
  static std::wstring Text(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
  }

  FakeWizardHost host_;
  platform::Library richEdit_;
};

TEST_F(WizardWindowTest, ProductPageShowsTheFolderAndStoresItOnNext) {
  struct Case {
    const wchar_t* name;
    std::wstring installed, shown;
    bool browse;
  } cases[] = {
      {L"not installed: the default folder, Browse offered", L"", L"C:\\Program Files\\Orvanta\\Rizod", true},
      {L"installed: its folder, no Browse", L"D:\\Apps\\Orvanta\\Rizod", L"D:\\Apps\\Orvanta\\Rizod", false},
  };
  for (const Case& c : cases) {
    host_.installedDirectory = c.installed;
    CWizardSheet sheet(host_, MakeSheetPages(SheetKind::Plain, host_));
    HWND page = Show(sheet, 1);
    ASSERT_TRUE(page) << c.name;
    EXPECT_EQ(Text(GetDlgItem(page, kFolder)), c.shown) << c.name;
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, kBrowse)) != FALSE, c.browse) << c.name;
    EXPECT_EQ(host_.properties.Get(L"[INSTALLDIRECTORY]"), c.shown) << c.name;
    host_.properties.Set(L"[INSTALLDIRECTORY]", L"");
    PropSheet_PressButton(sheet.Window(), PSBTN_NEXT);
    Pump();
    EXPECT_EQ(host_.properties.Get(L"[INSTALLDIRECTORY]"), c.shown) << c.name;
  }
}

TEST_F(WizardWindowTest, ProductPageKeepsTheUserWhereTheFolderOrTheProgramsRefuse) {
  for (bool appsClosed : {false, true}) {
    host_.appsClosed = appsClosed;
    host_.validPaths = false;  // with the programs closed, the folder is what refuses
    CWizardSheet sheet(host_, MakeSheetPages(SheetKind::Plain, host_));
    HWND page = Show(sheet, 1);
    ASSERT_TRUE(page);
    host_.machine.prompts.asked.clear();
    PropSheet_PressButton(sheet.Window(), PSBTN_NEXT);
    Pump();
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet.Window()), page) << appsClosed;
    // Only the folder's refusal is the page's own message (104); the program check shows its own.
    EXPECT_EQ(host_.machine.prompts.asked.size(), appsClosed ? 1u : 0u);
  }
}

TEST_F(WizardWindowTest, LoginPageStoresWhatPassedTheChecksAndOnlyTheServerInAnUpgrade) {
  // The product's own templates, as a document server's sheet loads them.
  platform::Library library(LoadLibraryExW((test_files::ExecutableFolder() + L"VaradavuRadareresources.dll").c_str(),
                                           nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(library);
  host_.library = static_cast<HMODULE>(library.get());
  host_.machine.network.names[L"db.example."] = L"10.0.0.5";
  struct Case {
    const wchar_t* name;
    uint32_t modes;
    DWORD logonError;
    std::wstring user, server;
    size_t messages;
  } cases[] = {
      {L"upgrade: the server alone, stored without its dot", mode::Upgrade, 0, L"", L"db.example", 0},
      {L"install: the account and the server", mode::Install, 0, L"O\\svc", L"db.example", 0},
      {L"install: an account that cannot log on keeps the page", mode::Install, ERROR_LOGON_FAILURE, L"", L"", 1},
  };
  for (const Case& c : cases) {
    host_.modeFlags = c.modes;
    host_.machine.accounts.serviceError = c.logonError;
    host_.machine.prompts.asked.clear();
    for (const wchar_t* name : {L"[USER]", L"[PASSWORD]", L"[SERVER_NAME]"}) host_.properties.Set(name, L"");
    CWizardSheet sheet(host_, MakeSheetPages(SheetKind::Document, host_));
    const size_t index = c.modes == mode::Upgrade ? 0 : 1;
    HWND page = Show(sheet, index);
    ASSERT_TRUE(page) << c.name;
    EXPECT_EQ(IsWindowVisible(GetDlgItem(page, IDC_ACCOUNT)) != FALSE, c.modes != mode::Upgrade) << c.name;
    SetDlgItemTextW(page, IDC_ACCOUNT, L" O\\svc ");
    SetDlgItemTextW(page, IDC_PASSWORD, L" secret ");
    SetDlgItemTextW(page, IDC_SERVER, L"db.example.");
    PropSheet_PressButton(sheet.Window(), PSBTN_NEXT);
    Pump();
    EXPECT_EQ(host_.properties.Get(L"[USER]"), c.user) << c.name;
    EXPECT_EQ(host_.properties.Get(L"[PASSWORD]"), c.user.empty() ? L"" : L" secret ") << c.name;
    EXPECT_EQ(host_.properties.Get(L"[SERVER_NAME]"), c.server) << c.name;
    EXPECT_EQ(host_.machine.prompts.asked.size(), c.messages) << c.name;
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet.Window()) == page, c.messages > 0) << c.name;
  }
}

}  // namespace

namespace {

// What the timer saw of the document-cache dialog before it pressed a button there.
struct CacheDialogVisit {
  bool uncheck = false;
  int button = IDOK;
  SIZE size{};
  bool closeGreyed = false;
};
CacheDialogVisit* visit = nullptr;

void CALLBACK AnswerCacheDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"Rizod Server");
  if (!dialog || !visit) return;
  KillTimer(nullptr, timer);
  RECT r{};
  GetWindowRect(dialog, &r);
  visit->size = {r.right - r.left, r.bottom - r.top};
  visit->closeGreyed = GetMenuState(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED;
  if (visit->uncheck) CheckDlgButton(dialog, 1019, BST_UNCHECKED);
  PostMessageW(dialog, WM_COMMAND, visit->button, 0);
}

TEST_F(WizardWindowTest, DocumentCacheDialogRecordsADiscardOnlyWhenConfirmedAndGrowsToItsText) {
  struct Case {
    const wchar_t* name;
    bool uncheck;
    int button, answer, discards;
    std::wstring text;
  } cases[] = {
      {L"kept", false, IDOK, IDOK, 0, L"A cache was found."},
      {L"discarded", true, IDOK, IDOK, 1, L"A cache was found."},
      {L"no", true, IDCANCEL, IDCANCEL, 0, L"A cache was found."},
      {L"long", false, IDOK, IDOK, 0, L""},
  };
  for (int i = 0; i < 150; ++i) cases[3].text += L"cache ";
  SIZE shortSize{};
  for (const Case& c : cases) {
    CacheDialogVisit seen{c.uncheck, c.button};
    visit = &seen;
    int discards = 0;
    DocumentCacheQuestion question{c.text, L"Rizod Server", false, host_.localization.get(), [&] { ++discards; }};
    SetTimer(nullptr, 0, 50, AnswerCacheDialog);
    EXPECT_EQ(ShowDocumentCacheDialog(nullptr, question), c.answer) << c.name;
    EXPECT_EQ(discards, c.discards) << c.name;
    EXPECT_TRUE(seen.closeGreyed) << c.name;
    if (shortSize.cx == 0) {
      shortSize = seen.size;
    } else if (c.text.size() > 100) {
      EXPECT_GT(seen.size.cy, shortSize.cy + 50) << c.name;
    }
  }
  visit = nullptr;
}

}  // namespace

// ---- A sheet too large for the screen ----

TEST(PageTemplate, ASmallerFontMakesASmallerPageOfTheSameTemplate) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDD_WELCOME_PAGE), RT_DIALOG);
  ASSERT_TRUE(found);
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(self, found)));
  const size_t size = SizeofResource(self, found);
  const size_t offset = FontPointsOffset(bytes, size);
  ASSERT_NE(offset, 0u);
  WORD points = 0;
  memcpy(&points, bytes + offset, 2);
  EXPECT_EQ(points, 8);
  std::vector<BYTE> copy = WithFontPoints(bytes, size, 6, {100, 100}, {75, 70});
  ASSERT_EQ(copy.size(), size);
  memcpy(&points, copy.data() + offset, 2);
  EXPECT_EQ(points, 6);
  short designHeight = 0, height = 0;  // cy: the page shrinks with its font
  memcpy(&designHeight, bytes + 24, 2);
  memcpy(&height, copy.data() + 24, 2);
  EXPECT_EQ(height, (designHeight * 70 + 99) / 100);
  EXPECT_EQ(FontPointsOffset(bytes, 20), 0u) << "cut short";
  EXPECT_TRUE(WithFontPoints(copy.data(), 26, 7).empty());

  const SIZE design = MeasurePage(self, IDD_WELCOME_PAGE, 8), small = MeasurePage(self, IDD_WELCOME_PAGE, 6);
  EXPECT_GT(design.cy, 0);
  EXPECT_LT(small.cy, design.cy);
  EXPECT_LT(small.cx, design.cx);
}

TEST(PageTemplate, TheLargestFontWhoseSheetFitsTheWorkArea) {
  // A page of 100 x 80 pixels per point; the sheet adds 10 x 90.
  auto page = [](WORD points) { return SIZE{100 * points, 80 * points}; };
  struct Case {
    SIZE work;
    WORD expected;
  } cases[] = {{{2000, 1000}, 8}, {{810, 730}, 8}, {{809, 730}, 7}, {{2000, 729}, 7}, {{2000, 600}, 6}, {{100, 100}, 6}};
  for (const Case& c : cases)
    EXPECT_EQ(FittingFontPoints(8, 6, page, {10, 90}, c.work), c.expected) << c.work.cx << "x" << c.work.cy;
  EXPECT_EQ(FittingFontPoints(8, 6, [](WORD) { return SIZE{}; }, {10, 90}, {100, 100}), 8) << "nothing measured";
}
