// The base of every wizard page: a property-sheet page whose notifications and messages become
// virtual operations, with the common look (page colours, fonts) and the wizard buttons.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "resources/wizard_ids.h"
#include "ui/folder_dialog.h"
#include "ui/page_colours.h"
#include "ui/picture_ex.h"
#include "ui/wizard_host.h"

class CWizardSheet;
class WizardFonts;
class LogFile;

// Sheet buttons and the page controls every template shares.
namespace wizard_control {
constexpr int Back = 12323;
constexpr int Next = 12324;
constexpr int Finish = 12325;
constexpr int Cancel = IDCANCEL;
constexpr int HeaderPicture = IDC_HEADER_PICTURE;
constexpr int Title = IDC_TITLE;
}  // namespace wizard_control

class WizardPage {
 public:
  // templateModule null: the template is one of setup.exe's own.
  WizardPage(WizardHost& host, UINT templateId, HINSTANCE templateModule = nullptr);
  virtual ~WizardPage();
  WizardPage(const WizardPage&) = delete;
  WizardPage& operator=(const WizardPage&) = delete;

  // The page as the sheet takes it; made once.
  HPROPSHEETPAGE Handle();
  HWND Window() const { return window_; }
  HWND SheetWindow() const { return window_ ? GetParent(window_) : nullptr; }
  UINT TemplateId() const { return templateId_; }
  HINSTANCE TemplateModule() const;
  // Lays the page out from its template with a smaller font (before Handle); see page_template.h.
  void UseFontPoints(WORD points, SIZE designPage, SIZE smallerPage);
  void SetSheet(CWizardSheet* sheet) { sheet_ = sheet; }

  // The operations a page may replace, named after the property-page framework's.
  // Binds the page's controls; the base binds the header picture.
  virtual void DoDataExchange();
  virtual BOOL OnInitDialog();
  // The base gives the page's first visible field the keyboard focus, after the buttons took theirs.
  virtual BOOL OnSetActive();
  // The page's fields in tab order, for that focus; none: Next keeps it.
  virtual std::vector<int> Fields() const { return {}; }
  // TRUE lets the sheet close; the base asks the cancel question and never closes.
  virtual BOOL OnQueryCancel();
  // 0 moves on as usual, -1 stays on the page.
  virtual LRESULT OnWizardBack() { return 0; }
  virtual LRESULT OnWizardNext() { return 0; }
  // TRUE lets the wizard finish.
  virtual BOOL OnWizardFinish() { return TRUE; }
  // Seen before the dialog manager; true consumes the message.
  virtual bool PreTranslateMessage(MSG& message);
  virtual void LoadPageTexts() = 0;
  virtual void OnTabKey(bool) {}
  virtual void OnEnterKey();
  // Enter on a push button the person has moved to (Back, Cancel, Browse, a folder button)
  // presses that button, whatever the page does with Enter elsewhere; false when no such
  // button has the focus.
  bool PressFocusedButton();
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);
  // Any other message; true when handled, with its result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Wizard buttons, as the pages' activation sets them.
  void ShowBackButton(bool show);
  // A page between the first and the last: Back (when asked), Next with the focus, Cancel.
  void ShowStepButtons(bool back);
  void ShowNextButton();
  void ShowCancelButton(bool show);
  void SetFinishCaption();
  void ShowErrorMessage(UINT textId);
  // A message box of the page with localised buttons.
  int Ask(const std::wstring& text, const std::wstring& caption, UINT type, HWND owner = nullptr);
  void PressButton(int which);
  // Gives a sheet button the keyboard focus, as the dialog manager would.
  void FocusButton(int id);  // PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL
  // The shell's folder dialog owned by the page, in the culture's words; root null: the desktop.
  Browsed BrowseForFolder(UINT titleId, UINT flags, std::wstring& chosen, PCIDLIST_ABSOLUTE root = nullptr);
  // The path a path page shows, where the folder dialog starts; empty for other pages.
  virtual std::wstring BrowsePath() const { return L""; }
  // The sheet's button moved onto the Cancel button's place (Finish replaces Cancel).
  void MoveOntoCancel(int buttonId);

 protected:
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  std::wstring ItemText(int id) const;
  HWND SheetItem(int id) const { return GetDlgItem(SheetWindow(), id); }
  std::wstring String(UINT id) const;
  void SetText(int id, const std::wstring& text, HFONT font);
  // A JPEG of the product's resource library into a picture; false when it is not there.
  bool ShowPicture(CPictureEx& picture, UINT id);
  int ImageCultureOffset() const;
  CWizardSheet* Sheet() const { return sheet_; }
  // The sheet's fonts, and the pages' background (white on the normal scheme).
  const WizardFonts& Fonts() const;
  static HBRUSH PageBrush() { return PageBackgroundBrush(); }

  WizardHost& host_;
  LogFile& log_;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(const NMHDR& header);

  UINT templateId_;
  HINSTANCE templateModule_;
  HPROPSHEETPAGE handle_ = nullptr;
  std::vector<BYTE> template_;  // the template with another font, when the page uses one
  HWND window_ = nullptr;
  CWizardSheet* sheet_ = nullptr;
  CPictureEx header_;
};
