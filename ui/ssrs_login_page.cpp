#include "ui/ssrs_login_page.h"

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "resources/wizard_ids.h"
#include "ui/dpi.h"
#include "ui/fit_control.h"
#include "checks/login_checks.h"
#include "ui/rich_text.h"
#include "ui/wait_cursor.h"
#include "ui/wizard_fonts.h"

namespace {

constexpr int kAccount = IDC_ACCOUNT, kPassword = IDC_PASSWORD, kUrl = IDC_REPORT_SERVER_URL,
              kSharedFolder = IDC_SHARED_FOLDER, kBrowse = IDC_BROWSE_SHARED_FOLDER;
constexpr int kDescription = IDC_PAGE_DESCRIPTION;
constexpr UINT kInformationBitmap = 1017;

// Each label with its field, the information icon beside it and the hint the icon's tooltip shows
// to the mouse and the field's to the keyboard.
constexpr struct {
  int label;
  UINT labelText;
  int field;
  int icon;
  UINT tip;
} kFields[] = {
    {IDC_ACCOUNT_LABEL, 50200, kAccount, IDC_ACCOUNT_HINT, 50205},
    {IDC_PASSWORD_LABEL, 50201, kPassword, IDC_PASSWORD_HINT, 50206},
    {IDC_SERVER_LABEL, 50202, kUrl, IDC_URL_HINT, 50207},
    {IDC_SHARED_FOLDER_LABEL, 50208, kSharedFolder, IDC_SHARED_FOLDER_HINT, 50209},
};
// Between the page's text column and the hint beside it.
constexpr int kHintGap = 6;

// A bitmap drawn for 96 dots per inch, grown to the page's DPI.
HBITMAP ScaledBitmap(HMODULE library, UINT id, int dpi) {
  auto loaded = static_cast<HBITMAP>(LoadImageW(library, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  BITMAP info{};
  if (!loaded || dpi == 96 || !GetObjectW(loaded, sizeof(info), &info)) return loaded;
  auto scaled = static_cast<HBITMAP>(CopyImage(loaded, IMAGE_BITMAP, ScaledForDpi(info.bmWidth, dpi),
                                               ScaledForDpi(info.bmHeight, dpi), LR_COPYDELETEORG));
  return scaled ? scaled : loaded;
}

}  // namespace

BOOL SSRSLoginPage::OnInitDialog() {
  WizardPage::OnInitDialog();
  LoadPageTexts();
  for (const auto& field : kFields) FitControlToText(Item(field.label), Item(field.icon), Fonts().Text(), log_);
  information_.reset(ScaledBitmap(library_, kInformationBitmap, WindowDpi(Window())));
  for (const auto& field : kFields) {
    SendMessageW(Item(field.icon), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(information_.get()));
  }
  MakeTooltips();
  return TRUE;
}

void SSRSLoginPage::LoadPageTexts() {
  const HFONT font = Fonts().Text();
  for (const auto& field : kFields) SetText(field.label, String(field.labelText), font);
  SetText(kBrowse, String(50151), nullptr);
  const PageColours colours = CurrentPageColours();
  SetRichText(Item(wizard_control::Title), String(50203), Fonts().Title(), colours.title);
  SetRichText(Item(kDescription), String(50204), font, colours.text);
  for (int edit : {kAccount, kPassword, kUrl, kSharedFolder}) {
    SendMessageW(Item(edit), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

void SSRSLoginPage::MakeTooltips() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window(), nullptr, nullptr, nullptr);
  MakeFocusHints();
  if (!tooltip_) {
    log_.Log(L"Creating the tooltips failed with error code %d", static_cast<int>(GetLastError()));
    return;
  }
  // The icons are plain statics: the mouse reaches the page, so each tool is the icon's
  // rectangle on the page, its text asked for when shown.
  for (const auto& field : kFields) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Window();
    tool.uId = static_cast<UINT_PTR>(field.icon);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    GetWindowRect(Item(field.icon), &tool.rect);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&tool.rect), 2);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 300);
  SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

// The icons' hints reach only the mouse: each field shows its own beside it while it has the
// keyboard focus, so Tab and the access keys find them too.
void SSRSLoginPage::MakeFocusHints() {
  hints_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window(), nullptr, nullptr, nullptr);
  if (!hints_) return;
  for (const auto& field : kFields) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = Window();
    tool.uId = static_cast<UINT_PTR>(field.field);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(hints_, TTM_SETMAXTIPWIDTH, 0, 300);
}

void SSRSLoginPage::ShowFocusHint(int field, bool show) {
  if (!hints_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Window();
  tool.uId = static_cast<UINT_PTR>(field);
  if (show) {
    // Right of the text column, level with the field: it covers no label or field of the page.
    RECT column{}, place{};
    GetWindowRect(Item(kDescription), &column);
    GetWindowRect(Item(field), &place);
    SendMessageW(hints_, TTM_TRACKPOSITION, 0, MAKELPARAM(column.right + kHintGap, place.top));
  }
  SendMessageW(hints_, TTM_TRACKACTIVATE, show ? TRUE : FALSE, reinterpret_cast<LPARAM>(&tool));
}

BOOL SSRSLoginPage::OnSetActive() {
  ShowStepButtons(true);
  return WizardPage::OnSetActive();
}

bool SSRSLoginPage::PreTranslateMessage(MSG& message) {
  if (tooltip_ && message.hwnd == Window() && message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) {
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
  }
  return false;
}

bool SSRSLoginPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_NOTIFY) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    if ((info->hdr.hwndFrom != tooltip_ && info->hdr.hwndFrom != hints_) || info->hdr.code != TTN_GETDISPINFOW)
      return false;
    for (const auto& field : kFields) {
      if (info->hdr.idFrom == static_cast<UINT_PTR>(field.icon) || info->hdr.idFrom == static_cast<UINT_PTR>(field.field))
        tipText_ = String(field.tip);
    }
    info->lpszText = tipText_.data();
    result = 0;
    return true;
  }
  if (message == WM_COMMAND && (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS)) {
    for (const auto& field : kFields) {
      if (LOWORD(wParam) == field.field) ShowFocusHint(field.field, HIWORD(wParam) == EN_SETFOCUS);
    }
    return false;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kBrowse && HIWORD(wParam) == BN_CLICKED) {
    Browse();
    result = 0;
    return true;
  }
  return false;
}

std::wstring SSRSLoginPage::BrowsePath() const { return text::Trim(ItemText(kSharedFolder)); }

void SSRSLoginPage::Browse() {
  if (!network_ && FAILED(SHGetFolderLocation(Window(), CSIDL_NETWORK, nullptr, 0, network_.put()))) network_.reset();
  std::wstring chosen;
  // File-system folders only, new dialog style, no new-folder button; it opens on the Network.
  const Browsed browsed = BrowseForFolder(50214, 0x241, chosen, network_.get());
  if (browsed == Browsed::Cancelled) return;
  if (browsed == Browsed::NoPath) {
    ShowErrorMessage(104);
    return;
  }
  int refusal = 0;
  {
    WaitCursor wait;
    refusal = LoginChecks(log_, host_.Properties(), host_.GetPlatform()).CheckSharedFolder(chosen);
  }
  if (refusal) {
    ShowErrorMessage(refusal);
    return;
  }
  SetWindowTextW(Item(kSharedFolder), chosen.c_str());
}

LRESULT SSRSLoginPage::OnWizardNext() {
  const std::wstring account = text::Trim(ItemText(kAccount));
  std::wstring password = ItemText(kPassword);  // as typed: blanks may belong to it
  const std::wstring url = ItemText(kUrl);
  const std::wstring sharedFolder = text::Trim(ItemText(kSharedFolder));
  ServiceAccount typed;
  int refusal = CheckAccountForm(account, password, typed);
  if (!refusal) {
    WaitCursor wait;
    LoginChecks checks(log_, host_.Properties(), host_.GetPlatform());
    refusal = checks.CheckSharedFolder(sharedFolder);
    if (!refusal) refusal = checks.CheckReportServer(url, account, password, host_.SetupDirectory());
  }
  SecureZeroMemory(typed.password.data(), typed.password.size() * sizeof(wchar_t));
  if (!refusal) {
    PropertyMap& properties = host_.Properties();
    properties.Set(L"[USER]", account);
    properties.Set(L"[PASSWORD]", password);
    properties.Set(L"[SERVER_NAME]", text::Trim(url));
    properties.Set(L"[SHARED_FOLDER]", sharedFolder);
  }
  SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
  if (refusal) {
    ShowErrorMessage(refusal);
    return -1;
  }
  return 0;
}
