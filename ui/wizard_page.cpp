#include "ui/wizard_page.h"

#include <algorithm>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "ui/fit_control.h"
#include "ui/page_template.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

Browsed WizardPage::BrowseForFolder(UINT titleId, UINT flags, std::wstring& chosen, PCIDLIST_ABSOLUTE root) {
  FolderDialogTexts texts;
  texts.heading = String(titleId);
  texts.title = String(50196);
  texts.folderLabel = String(50198);
  texts.newFolder = String(50197);
  texts.ok = String(50191);
  texts.cancel = String(50192);
  texts.startPath = BrowsePath();
  return ::BrowseForFolder(window_, texts, flags, chosen, root);
}

WizardPage::WizardPage(WizardHost& host, UINT templateId, HINSTANCE templateModule)
    : host_(host), log_(host.Log()), templateId_(templateId), templateModule_(templateModule) {}

WizardPage::~WizardPage() {
  // A page the sheet never took is still ours to free.
  if (handle_ && !window_) DestroyPropertySheetPage(handle_);
}

HINSTANCE WizardPage::TemplateModule() const { return templateModule_ ? templateModule_ : GetModuleHandleW(nullptr); }

void WizardPage::UseFontPoints(WORD points, SIZE designPage, SIZE smallerPage) {
  HRSRC found = FindResourceW(TemplateModule(), MAKEINTRESOURCEW(templateId_), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(TemplateModule(), found) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (bytes) template_ = WithFontPoints(bytes, SizeofResource(TemplateModule(), found), points, designPage, smallerPage);
}

HPROPSHEETPAGE WizardPage::Handle() {
  if (handle_) return handle_;
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof(page);
  page.dwFlags = PSP_HIDEHEADER;
  page.hInstance = TemplateModule();
  page.pszTemplate = MAKEINTRESOURCEW(templateId_);
  if (!template_.empty()) {
    page.dwFlags |= PSP_DLGINDIRECT;
    page.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(template_.data());
  }
  page.pfnDlgProc = DialogProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  handle_ = CreatePropertySheetPageW(&page);
  return handle_;
}

INT_PTR CALLBACK WizardPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<WizardPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    page->window_ = window;
    page->DoDataExchange();
    const BOOL result = page->OnInitDialog();
    DrawSeparatorsInPageColours(window);
    return result;
  }
  auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!page) return FALSE;
  switch (message) {
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.hwndFrom != page->SheetWindow()) break;
      SetWindowLongPtrW(window, DWLP_MSGRESULT, page->OnNotify(header));
      return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(page->OnCtlColor(reinterpret_cast<HDC>(wParam),
                                                        reinterpret_cast<HWND>(lParam), message));
    case WM_DRAWITEM: {
      // The page's only owner-drawn statics are its separator lines.
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlType != ODT_STATIC) break;
      DrawPageSeparator(item);
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT area{};
      GetClientRect(window, &area);
      FillRect(reinterpret_cast<HDC>(wParam), &area, PageBrush());
      SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_NCDESTROY:
      page->window_ = nullptr;
      page->handle_ = nullptr;  // the sheet destroyed it with the window
      break;
    default:
      break;
  }
  LRESULT result = 0;
  if (page->OnMessage(message, wParam, lParam, result)) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

LRESULT WizardPage::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case PSN_SETACTIVE:
      return OnSetActive() ? 0 : -1;
    case PSN_WIZBACK:
      return OnWizardBack();
    case PSN_WIZNEXT:
      return OnWizardNext();
    case PSN_WIZFINISH:
      return OnWizardFinish() ? FALSE : TRUE;  // TRUE keeps the sheet open
    case PSN_QUERYCANCEL:
      return OnQueryCancel() ? FALSE : TRUE;  // TRUE refuses the cancel
    default:
      return 0;
  }
}

void WizardPage::DoDataExchange() { header_.Attach(Item(wizard_control::HeaderPicture)); }

BOOL WizardPage::OnInitDialog() {
  const ::PlatformKind kind = host_.PlatformKind();
  if (kind != PlatformKind::Foundation)
    ShowPicture(header_, (kind == PlatformKind::Online ? 31012 : 1012) + ImageCultureOffset());
  return TRUE;
}

bool WizardPage::ShowPicture(CPictureEx& picture, UINT id) {
  HMODULE library = host_.ProductLibrary();
  return library && picture.LoadFromResource(library, id) && picture.Draw();
}

int WizardPage::ImageCultureOffset() const {
  Localization* localization = host_.GetLocalization();
  return localization ? localization->ImageCultureOffset() : 0;
}

bool WizardPage::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool WizardPage::PreTranslateMessage(MSG&) { return false; }

BOOL WizardPage::OnQueryCancel() {
  const int answer = Ask(String(50135), host_.ProductDisplayName(), MB_YESNO | MB_ICONQUESTION);
  if (answer == IDYES) {
    host_.SetSetupResultCode(exit_code::Cancelled);
    if (CWizardSheet* sheet = Sheet()) {
      sheet->RestoreIfMinimized();
      if (sheet->FinishPage()) sheet->SetActivePage(*sheet->FinishPage());
    }
  }
  return FALSE;  // the wizard always ends through its finish page
}

BOOL WizardPage::OnSetActive() {
  for (int id : Fields()) {
    const HWND field = Item(id);
    // The page itself is not shown yet while it becomes active: the field's own style says whether it will be.
    if (!field || !(GetWindowLongW(field, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(field)) continue;
    // Posted after the buttons' own focus message, so a person starts typing where the page asks.
    if (HWND sheet = SheetWindow()) PostMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    break;
  }
  return TRUE;
}

bool WizardPage::PressFocusedButton() {
  const HWND focus = GetFocus();
  if (!focus || !IsWindowVisible(focus) || !IsWindowEnabled(focus)) return false;
  if (focus == SheetItem(wizard_control::Back)) {
    PressButton(PSBTN_BACK);
    return true;
  }
  if (focus == SheetItem(wizard_control::Cancel)) {
    PressButton(PSBTN_CANCEL);
    return true;
  }
  if (GetParent(focus) != window_) return false;
  wchar_t kind[16] = {};
  GetClassNameW(focus, kind, 16);
  const LONG type = GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK;
  if (_wcsicmp(kind, L"Button") != 0 || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)) return false;
  SendMessageW(focus, BM_CLICK, 0, 0);
  return true;
}

void WizardPage::OnEnterKey() {
  HWND focus = GetFocus();
  HWND back = SheetItem(wizard_control::Back);
  if (!focus) {
    PressButton(PSBTN_NEXT);
  } else if (focus == back && IsWindowVisible(back)) {
    PressButton(PSBTN_BACK);
  } else if (focus == SheetItem(wizard_control::Cancel)) {
    PressButton(PSBTN_CANCEL);
  } else {
    PressButton(PSBTN_NEXT);
  }
}

HBRUSH WizardPage::OnCtlColor(HDC dc, HWND control, UINT message) {
  const PageColours colours = CurrentPageColours();
  if (message == WM_CTLCOLORSTATIC) {
    const int id = GetDlgCtrlID(control);
    const WizardFonts& fonts = Fonts();
    SetBkMode(dc, TRANSPARENT);
    if (id == wizard_control::Title) {
      SelectObject(dc, fonts.Title());
      SetTextColor(dc, colours.title);
    } else {
      SelectObject(dc, fonts.Text());
      SetTextColor(dc, id >= 2024 && id <= 2027 ? colours.warning : colours.text);
    }
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
  }
  if (message == WM_CTLCOLORBTN) {
    // A check box's caption: the system's button text may be the page background.
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.text);
    SetBkColor(dc, colours.background);
  }
  return PageBrush();
}

const WizardFonts& WizardPage::Fonts() const {
  static const WizardFonts none;  // a page outside a sheet draws with the dialog's own font
  return sheet_ ? sheet_->Fonts() : none;
}

void WizardPage::ShowBackButton(bool show) {
  HWND back = SheetItem(wizard_control::Back);
  if (!back) return;
  ShowWindow(back, show ? SW_SHOW : SW_HIDE);
  if (show) CaptionButton(back, String(50103));
}

void WizardPage::ShowStepButtons(bool back) {
  PropSheet_SetWizButtons(SheetWindow(), back ? (PSWIZB_BACK | PSWIZB_NEXT) : PSWIZB_NEXT);
  ShowBackButton(back);
  ShowNextButton();
  FocusButton(wizard_control::Next);
  ShowCancelButton(true);
}

void WizardPage::ShowNextButton() {
  HWND next = SheetItem(wizard_control::Next);
  if (!next) return;
  ShowWindow(next, SW_SHOW);
  CaptionButton(next, String(50104));
}

void WizardPage::ShowCancelButton(bool show) {
  HWND cancel = SheetItem(wizard_control::Cancel);
  if (!cancel) return;
  ShowWindow(cancel, show ? SW_SHOW : SW_HIDE);
  if (show) CaptionButton(cancel, String(50180));
}

void WizardPage::SetFinishCaption() {
  if (CWizardSheet* sheet = Sheet()) sheet->SetFinishCaption();
}

void WizardPage::ShowErrorMessage(UINT textId) {
  Ask(String(textId), host_.CurrentTitle(), MB_OK | MB_ICONERROR);
}

int WizardPage::Ask(const std::wstring& text, const std::wstring& caption, UINT type, HWND owner) {
  Localization* localization = host_.GetLocalization();
  return host_.GetPlatform().prompts.Show(owner ? owner : window_, text, caption, type, [localization] {
    if (localization) localization->InstallMessageBoxHook();
  });
}

void WizardPage::PressButton(int which) {
  if (HWND sheet = SheetWindow()) PostMessageW(sheet, PSM_PRESSBUTTON, which, 0);
}

void WizardPage::FocusButton(int id) {
  if (HWND sheet = SheetWindow()) PostMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(SheetItem(id)), TRUE);
}

void WizardPage::MoveOntoCancel(int buttonId) {
  HWND cancel = SheetItem(wizard_control::Cancel);
  HWND button = SheetItem(buttonId);
  if (!cancel || !button) return;
  RECT place{};
  GetWindowRect(cancel, &place);
  MapWindowPoints(nullptr, SheetWindow(), reinterpret_cast<POINT*>(&place), 2);
  MoveWindow(button, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

std::wstring WizardPage::String(UINT id) const {
  Localization* localization = host_.GetLocalization();
  return localization ? localization->String(id) : std::wstring();
}

std::wstring WizardPage::ItemText(int id) const {
  HWND item = Item(id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

void WizardPage::SetText(int id, const std::wstring& text, HFONT font) {
  HWND control = Item(id);
  if (!control) return;
  if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SetWindowTextW(control, text.c_str());
}
