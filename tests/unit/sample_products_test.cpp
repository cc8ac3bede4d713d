// The sample server products: the page templates their resource libraries hold (made into real
// windows, as the sheets do) and the rules of the stand-in report-server verifier.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "platform/handles.h"
#include "resources/wizard_ids.h"
#include "verify_ssrs_rules.h"

namespace {

using platform::Library;

// ---- Page templates ----

constexpr int kHeader = IDC_HEADER_PICTURE, kSidePicture = IDC_SIDE_PICTURE;

struct ControlCase {
  const wchar_t* library;
  int page;
  int id;
  const wchar_t* windowClass;
  DWORD style;  // bits the control must have
};

Library LoadProductLibrary(const std::wstring& name) {
  return Library(LoadLibraryExW((test_files::ExecutableFolder() + name).c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

// The template made into a child window, as a property sheet makes its pages.
class TemplateWindow {
 public:
  TemplateWindow(HMODULE library, int page) {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 700, nullptr, nullptr, nullptr, nullptr);
    // From the template's bytes: a library loaded as data is no module to create windows for.
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(page), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(library, found) : nullptr;
    if (loaded)
      page_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)),
                                         parent_, Procedure, 0);
  }
  ~TemplateWindow() {
    if (page_) DestroyWindow(page_);
    if (parent_) DestroyWindow(parent_);
  }
  HWND get() const { return page_; }

  // A control's rectangle in dialog units, through the page's own base units.
  RECT UnitsOf(HWND control) const {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&r), 2);
    RECT base{0, 0, 4, 8};
    MapDialogRect(page_, &base);
    return RECT{MulDiv(r.left, 4, base.right), MulDiv(r.top, 8, base.bottom), MulDiv(r.right, 4, base.right),
                MulDiv(r.bottom, 8, base.bottom)};
  }

 private:
  static INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
  HWND parent_ = nullptr;
  HWND page_ = nullptr;
};

class ProductTemplatesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { LoadLibraryW(L"riched20.dll"); }  // the class of the rich edits
};

TEST_F(ProductTemplatesTest, EveryPageHoldsTheControlsItsPageUses) {
  const wchar_t* document = L"VaradavuRadareresources.dll";
  const wchar_t* report = L"VaruzaVuruduzOduzurresources.dll";
  std::vector<ControlCase> cases;
  for (const wchar_t* login : {document, L"VoruderaDEZresources.dll", L"VURovizoresources.dll"}) {
    for (int label : {2015, 2016, 2017, 2021}) cases.push_back({login, 2001, label, L"Static", 0});
    for (int rule : {2024, 2025, 2026}) cases.push_back({login, 2001, rule, L"Static", SS_ETCHEDHORZ});
    cases.push_back({login, 2001, 1000, L"Edit", WS_TABSTOP});
    cases.push_back({login, 2001, 1001, L"Edit", ES_PASSWORD | WS_TABSTOP});
    cases.push_back({login, 2001, 2005, L"Edit", WS_TABSTOP});
  }
  for (int label : {2015, 2016, 2021, 2022}) cases.push_back({report, 2001, label, L"Static", 0});
  for (int icon : {2029, 2030, 2031, 2032}) cases.push_back({report, 2001, icon, L"Static", SS_BITMAP | SS_NOTIFY});
  for (int rich : {185, 2017}) cases.push_back({report, 2001, rich, L"RichEdit20W", ES_MULTILINE | ES_READONLY});
  for (int edit : {1000, 2005, 2023}) cases.push_back({report, 2001, edit, L"Edit", WS_TABSTOP});
  cases.push_back({report, 2001, 1001, L"Edit", ES_PASSWORD | WS_TABSTOP});
  cases.push_back({report, 2001, 2028, L"Button", 0});
  for (int label : {2018, 2019, 2020}) cases.push_back({document, 2002, label, L"Static", 0});
  for (int edit : {2006, 2007}) cases.push_back({document, 2002, edit, L"Edit", WS_TABSTOP});
  for (int button : {2011, 2012}) cases.push_back({document, 2002, button, L"Button", 0});
  for (int label : {2013, 2014}) cases.push_back({document, 2004, label, L"Static", 0});
  cases.push_back({document, 2004, 2008, L"ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP});
  for (const wchar_t* library : {document, L"VoruderaDEZresources.dll", L"VURovizoresources.dll", report})
    cases.push_back({library, 2001, kHeader, L"Static", 0});
  for (int page : {2002, 2004}) cases.push_back({document, page, kHeader, L"Static", 0});

  for (const ControlCase& c : cases) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(c.library) << " template " << c.page << " control " << c.id);
    Library library = LoadProductLibrary(c.library);
    ASSERT_TRUE(library) << "built by the product_resources() targets";
    TemplateWindow page(library.get(), c.page);
    ASSERT_TRUE(page.get());
    HWND control = GetDlgItem(page.get(), c.id);
    ASSERT_TRUE(control);
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    EXPECT_EQ(CompareStringOrdinal(name, -1, c.windowClass, -1, TRUE), CSTR_EQUAL) << text::ToUtf8(name);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & c.style, c.style);
    // The low bits of a static's style are its kind: a picture is no text label and the reverse.
    if (c.style == 0 && CompareStringOrdinal(c.windowClass, -1, L"Static", -1, TRUE) == CSTR_EQUAL && c.id != kHeader) {
      EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    }
  }
}

// What the user types sits below the header band, in the left column, and no two controls
// cover each other.
TEST_F(ProductTemplatesTest, ContentSitsInTheLeftColumnWithoutOverlaps) {
  struct Page {
    const wchar_t* library;
    int id;
  };
  for (const Page& p : {Page{L"VaradavuRadareresources.dll", 2001}, Page{L"VaradavuRadareresources.dll", 2002},
                        Page{L"VaradavuRadareresources.dll", 2004}, Page{L"VoruderaDEZresources.dll", 2001},
                        Page{L"VURovizoresources.dll", 2001}, Page{L"VaruzaVuruduzOduzurresources.dll", 2001}}) {
    SCOPED_TRACE(testing::Message() << text::ToUtf8(p.library) << " template " << p.id);
    Library library = LoadProductLibrary(p.library);
    ASSERT_TRUE(library);
    TemplateWindow page(library.get(), p.id);
    ASSERT_TRUE(page.get());
    std::vector<std::pair<int, RECT>> content;
    for (HWND c = GetWindow(page.get(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      const int id = GetDlgCtrlID(c);
      if (id == kHeader || id == kSidePicture) continue;
      content.push_back({id, page.UnitsOf(c)});
    }
    ASSERT_FALSE(content.empty());
    for (size_t i = 0; i < content.size(); ++i) {
      const RECT& r = content[i].second;
      // A combo box's window includes its dropped list.
      const bool combo = content[i].first == 2008;
      EXPECT_GE(r.top, 44) << content[i].first;
      EXPECT_GE(r.left, 7) << content[i].first;
      EXPECT_LE(r.right, 241) << content[i].first;
      EXPECT_LE(r.bottom, 345) << content[i].first;
      for (size_t j = i + 1; j < content.size() && !combo; ++j) {
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &r, &content[j].second))
            << content[i].first << " and " << content[j].first;
      }
    }
  }
}

TEST(ProductResourcesTest, EachLibraryHoldsTheInformationIconAndThePictures) {
  for (const wchar_t* name : {L"VaradavuRadareresources.dll", L"VoruderaDEZresources.dll", L"VURovizoresources.dll",
                              L"VaruzaVuruduzOduzurresources.dll"}) {
    SCOPED_TRACE(text::ToUtf8(name));
    Library library = LoadProductLibrary(name);
    ASSERT_TRUE(library);
    platform::GdiObject icon(LoadImageW(library.get(), MAKEINTRESOURCEW(1017), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(icon);
    BITMAP info{};
    GetObjectW(icon.get(), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    for (int picture : {1012, 1013, 21012, 21013})
      EXPECT_TRUE(FindResourceW(library.get(), MAKEINTRESOURCEW(picture), L"JPEG")) << picture;
    for (int text : {1005, 1007, 1008, 1015, 1016, 21005, 21007}) {
      wchar_t buffer[128] = {};
      EXPECT_GT(LoadStringW(library.get(), text, buffer, 128), 0) << text;
    }
  }
}

// ---- The stand-in verifier ----

TEST(VerifySsrsTest, AcceptsOnlyTheConfiguredServerAndAccount) {
  const verify_ssrs::Settings settings{L"http://localhost/ReportServer", L"ORVANTA\\reports"};
  struct Case {
    std::vector<std::wstring> arguments;
    int code;
  };
  const Case cases[] = {
      {{L"http://localhost/ReportServer", L"ORVANTA\\reports", L"secret"}, 200},
      {{L"HTTP://LOCALHOST/reportserver/", L"orvanta\\REPORTS", L"x"}, 200},  // case, one slash
      {{L"http://localhost/ReportServer", L"ORVANTA\\reports", L""}, 200},     // the password is not checked
      {{L"http://localhost/ReportServer//", L"ORVANTA\\reports", L"x"}, 401},  // only one slash
      {{L"http://localhost/Reports", L"ORVANTA\\reports", L"x"}, 401},
      {{L"http://localhost/ReportServer", L"ORVANTA\\other", L"x"}, 401},
      {{L"http://localhost/ReportServer", L"reports", L"x"}, 401},
      {{L"http://localhost/ReportServer", L"ORVANTA\\reports"}, 0},  // not three arguments
      {{L"http://localhost/ReportServer", L"ORVANTA\\reports", L"pass", L"word"}, 0},
      {{}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments.size() << " arguments, first "
                                    << (c.arguments.empty() ? "" : text::ToUtf8(c.arguments[0])));
    EXPECT_EQ(verify_ssrs::Verify(settings, c.arguments), c.code);
  }
  // A file without a URL or an account accepts nothing, not even empty arguments.
  EXPECT_EQ(verify_ssrs::Verify({L"", L"ORVANTA\\reports"}, {L"", L"ORVANTA\\reports", L"x"}), 401);
}

TEST(VerifySsrsTest, ReadsTheSettingsInEachEncoding) {
  struct Case {
    std::string bytes;
    std::wstring url, account;
  };
  const Case cases[] = {
      {"Url=http://a/ReportServer\r\nAccount=D\\u\r\n", L"http://a/ReportServer", L"D\\u"},
      {"\xEF\xBB\xBF[Server]\n; comment\n  url =  http://b/  \nACCOUNT=D\\J\xC3\xBCrgen\n", L"http://b/",
       L"D\\J\u00FCrgen"},
      {"Account=D\\first\nAccount=D\\second\nUrl=http://c\n", L"http://c", L"D\\first"},  // the first wins
      {"Url\nAccount D\\u\n# Url=http://d\n", L"", L""},                                // no settings
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const verify_ssrs::Settings s =
        verify_ssrs::ParseSettings(verify_ssrs::DecodeText(std::vector<char>(c.bytes.begin(), c.bytes.end())));
    EXPECT_EQ(s.url, c.url);
    EXPECT_EQ(s.account, c.account);
  }
  // Not valid UTF-8: the ANSI code page (1252 here: 0xFC is u with diaeresis).
  const std::string ansi = "Account=D\\J\xFCrgen";
  if (GetACP() == 1252) {
    EXPECT_EQ(verify_ssrs::ParseSettings(verify_ssrs::DecodeText({ansi.begin(), ansi.end()})).account,
              L"D\\J\u00FCrgen");
  }
  const wchar_t utf16[] = L"\xFEFFUrl=http://e\nAccount=D\\u";
  std::vector<char> bytes(reinterpret_cast<const char*>(utf16),
                          reinterpret_cast<const char*>(utf16) + sizeof utf16 - sizeof(wchar_t));
  EXPECT_EQ(verify_ssrs::ParseSettings(verify_ssrs::DecodeText(bytes)).account, L"D\\u");
}

}  // namespace
