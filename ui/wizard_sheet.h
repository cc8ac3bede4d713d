// The wizard: a Wizard97 property sheet with the pages of the run mode, run modeless under a
// message loop of its own so that the sheet and its pages see keys before the dialog manager.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_host.h"
#include "ui/wizard_page.h"

class CWizardSheet {
 public:
  // The pages in their order, the finish page last (MakeSheetPages).
  CWizardSheet(WizardHost& host, std::vector<std::shared_ptr<WizardPage>> pages, std::wstring caption = L"");
  virtual ~CWizardSheet();
  CWizardSheet(const CWizardSheet&) = delete;
  CWizardSheet& operator=(const CWizardSheet&) = delete;

  // Shows the sheet and returns when a page ends it.
  void DoModal();
  // The two halves of DoModal: the modeless sheet (false when it could not be made), and the
  // message loop that runs until a page ends it.
  bool Create();
  void RunLoop();
  // Ends the wizard without the finish page (the install page's direct close).
  void EndWizard();

  HWND Window() const { return window_; }
  // The fonts of every page; prepared by whoever shows the sheet, before it is created.
  WizardFonts& Fonts() { return fonts_; }
  const WizardFonts& Fonts() const { return fonts_; }
  WizardPage* ActivePage() const;
  void SetActivePage(WizardPage& page);
  WizardPage* FinishPage() const { return pages_.empty() ? nullptr : pages_.back().get(); }
  size_t PageCount() const { return pages_.size(); }
  WizardPage* Page(size_t index) const { return pages_[index].get(); }
  void SetFinishCaption();
  // Shows the sheet normally when it is minimized.
  void RestoreIfMinimized();

 protected:
  virtual BOOL OnInitDialog();
  virtual bool PreTranslateMessage(MSG& message);

  WizardHost& host_;

 private:
  static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
  LRESULT OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  void PaintBand(HWND window);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void FitTheWorkArea();
  void SessionNotifications(bool on);

  std::wstring caption_;
  WizardFonts fonts_;
  std::vector<std::shared_ptr<WizardPage>> pages_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  platform::GdiObject band_;
  platform::Library wtsapi_;
  bool ended_ = false;
  bool sessionRegistered_ = false;
};
