#include "ui/product_page.h"

#include <shlobj.h>

#include "core/localization.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "resources/wizard_ids.h"
#include "ui/fit_control.h"
#include "ui/page_texts.h"
#include "ui/rich_text.h"
#include "ui/welcome_page.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

constexpr int kFolder = IDC_FOLDER;
constexpr int kBrowse = IDC_BROWSE;
constexpr int kLabel = IDC_PATH_LABEL;
constexpr int kLine = IDC_PATH_LINE;
constexpr UINT_PTR kSettleTimer = 3;

}  // namespace

void ProductPage::DoDataExchange() {
  WizardPage::DoDataExchange();
  folderText_.Attach(Item(kFolder), Fonts().Text());
  folderText_.SetTextColor(CurrentPageColours().text);
}

BOOL ProductPage::OnInitDialog() {
  WizardPage::OnInitDialog();
  std::wstring folder;
  installed_ = host_.ResolveInstallDirectory(folder);
  if (!installed_) folder = host_.DefaultInstallDirectory();
  host_.SetInstallDirectory(folder);
  SendMessageW(Item(kFolder), WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Text()), FALSE);
  ShowFolder(folder);
  LoadPageTexts();
  FitControlToText(Item(kLabel), Item(kLine), Fonts().Text(), log_);
  FitControlToText(Item(kBrowse), nullptr, nullptr, log_);
  SetForegroundWindow(Window());
  SetTimer(Window(), kSettleTimer, 200, nullptr);
  return TRUE;
}

void ProductPage::ShowFolder(const std::wstring& folder) {
  folder_ = folder;
  folderText_.SetText(folder);
}

void ProductPage::LoadPageTexts() {
  Localization* localization = host_.GetLocalization();
  if (!localization) return;
  HWND browse = Item(kBrowse);
  const std::wstring caption = localization->String(50151);
  if (!caption.empty()) SetWindowTextW(browse, caption.c_str());
  ShowWindow(browse, SW_SHOW);
  EnableWindow(browse, !installed_);
  const UINT descriptionId = ProductDescriptionText(host_.PlatformKind());
  std::wstring description = localization->String(descriptionId);
  // The culture library may leave the product's own sentence to the product's library.
  if (description.empty()) description = host_.ProductText(descriptionId);
  description = Localization::FormatArgs(description, {WizardProductList(host_)});
  SetRichText(Item(IDC_PRODUCT_TEXT), description, Fonts().Text(), CurrentPageColours().text);
  SetText(kLabel, localization->String(50153), Fonts().Text());
}

BOOL ProductPage::OnSetActive() {
  ShowStepButtons(true);
  return WizardPage::OnSetActive();
}

bool ProductPage::PreTranslateMessage(MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  PostMessageW(SheetWindow(), WM_COMMAND, wizard_control::Next, 0);
  return true;
}

LRESULT ProductPage::OnWizardBack() {
  CWizardSheet* sheet = Sheet();
  if ((host_.ModeFlags() & mode::Install) && sheet && sheet->PageCount() > 1) {
    OnTabKey(false);
    sheet->SetActivePage(*sheet->Page(0));
    return -1;
  }
  return 0;
}

LRESULT ProductPage::OnWizardNext() {
  if (!host_.CheckRunningApps(Window())) return -1;
  if (!host_.ValidateInstallPath(folder_)) {
    ShowErrorMessage(104);
    return -1;
  }
  host_.SetInstallDirectory(folder_);
  return 0;
}

void ProductPage::OnTabKey(bool flag) {
  if (flag == browseTabStop_) return;
  browseTabStop_ = flag;
  HWND browse = Item(kBrowse);
  LONG_PTR style = GetWindowLongPtrW(browse, GWL_STYLE);
  SetWindowLongPtrW(browse, GWL_STYLE, flag ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

bool ProductPage::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_TIMER && wParam == kSettleTimer) {
    KillTimer(Window(), kSettleTimer);
    result = 0;
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kBrowse && HIWORD(wParam) == BN_CLICKED) {
    Browse();
    result = 0;
    return true;
  }
  return false;
}

void ProductPage::Browse() {
  std::wstring chosen;
  const Browsed browsed = BrowseForFolder(50152, 0x71, chosen);  // file-system folders, edit box, validation, new style
  if (browsed == Browsed::Cancelled) return;
  const std::wstring folder = browsed == Browsed::Chosen ? JoinBrowsedFolder(chosen, host_.QVDirectory()) : L"";
  if (folder.empty() || !host_.ValidateInstallPath(folder)) {
    ShowErrorMessage(104);
    return;
  }
  ShowFolder(folder);
}
