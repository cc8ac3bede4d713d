#include "ui/wizard_sheet.h"

#include <algorithm>
#include <map>

#include <wtsapi32.h>

#include "core/localization.h"
#include "core/log_file.h"
#include "core/run_mode.h"
#include "ui/dpi.h"
#include "ui/multiline_list.h"
#include "ui/page_colours.h"
#include "ui/page_template.h"
#include "ui/window_placement.h"

namespace {

constexpr UINT kIconId = IDI_SETUP;
constexpr UINT kBandBitmapId = IDB_BAND;
constexpr int kBandHeight = 45;
constexpr UINT_PTR kRestoreTimer = 1;
constexpr UINT kRestoreDelayMs = 500;
constexpr int kBackButtonShift = 10;
constexpr WORD kDesignFontPoints = 8;  // the page templates' font
constexpr WORD kSmallestFontPoints = 6;
constexpr int kSheetExtraWidth = 10, kSheetExtraHeight = 80;  // at 96 DPI

// The wizard's fonts made again at another DPI, given to each control that used the old ones.
struct FontSwap {
  HGDIOBJ oldTitle, oldText;
  HFONT title, text;
};

BOOL CALLBACK SwapFont(HWND child, LPARAM data) {
  const auto& swap = *reinterpret_cast<const FontSwap*>(data);
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0));
  if (font && font == swap.oldTitle) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(swap.title), TRUE);
  if (font && font == swap.oldText) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(swap.text), TRUE);
  return TRUE;
}

// The sheet whose window is being created: the property-sheet callback has no user data.
thread_local CWizardSheet* creating = nullptr;

// Adds the minimize box and the system menu to the sheet's template before the window exists.
void AddMinimizeBox(LPARAM templateData) {
  auto* words = reinterpret_cast<WORD*>(templateData);
  const bool extended = words[0] == 1 && words[1] == 0xFFFF;
  DWORD* style = extended ? reinterpret_cast<DWORD*>(words + 6) : reinterpret_cast<DWORD*>(words);
  *style |= WS_MINIMIZEBOX | WS_SYSMENU;
}

}  // namespace

CWizardSheet::CWizardSheet(WizardHost& host, std::vector<std::shared_ptr<WizardPage>> pages, std::wstring caption)
    : host_(host), caption_(std::move(caption)) {
  for (auto& page : pages) {
    if (!page) continue;
    page->SetSheet(this);
    pages_.push_back(std::move(page));
  }
}

CWizardSheet::~CWizardSheet() {
  if (window_) DestroyWindow(window_);
}

void CWizardSheet::DoModal() {
  if (Create()) RunLoop();
}

bool CWizardSheet::Create() {
  CMultilineList::Register(GetModuleHandleW(nullptr));
  icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
  wtsapi_.reset(LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  FitTheWorkArea();
  std::vector<HPROPSHEETPAGE> handles;
  for (const auto& page : pages_) {
    if (HPROPSHEETPAGE handle = page->Handle()) handles.push_back(handle);
  }
  if (handles.empty()) {
    host_.Log().WriteLine(L"The wizard has no page to show.");
    if (host_.SetupResultCode() == 0) host_.SetSetupResultCode(ERROR_INSTALL_FAILURE);
    return false;
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_WIZARD97 | PSH_USEHICON | PSH_USECALLBACK | PSH_MODELESS;
  header.hInstance = GetModuleHandleW(nullptr);
  header.hIcon = icon_;
  header.pszCaption = caption_.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.phpage = handles.data();
  header.pfnCallback = SheetCallback;
  creating = this;
  INT_PTR created = PropertySheetW(&header);
  creating = nullptr;
  if (created <= 0 || !window_) {
    const DWORD error = GetLastError();
    host_.Log().Log(L"Creating the setup wizard failed with error code %d", static_cast<int>(error));
    // Nothing was installed, but nothing the user asked for was done either: not a success.
    if (host_.SetupResultCode() == 0) host_.SetSetupResultCode(error ? static_cast<int>(error) : ERROR_INSTALL_FAILURE);
    return false;
  }
  return true;
}

void CWizardSheet::RunLoop() {
  MSG message{};
  while (!ended_ && PropSheet_GetCurrentPageHwnd(window_)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for whoever loops next
      break;
    }
    if (PreTranslateMessage(message)) continue;
    if (PropSheet_IsDialogMessage(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DestroyWindow(window_);
  window_ = nullptr;
}

void CWizardSheet::EndWizard() {
  ended_ = true;
  if (window_) PostMessageW(window_, WM_NULL, 0, 0);
}

WizardPage* CWizardSheet::ActivePage() const {
  if (!window_) return nullptr;
  HWND current = PropSheet_GetCurrentPageHwnd(window_);
  for (const auto& page : pages_) {
    if (page->Window() && page->Window() == current) return page.get();
  }
  return nullptr;
}

void CWizardSheet::SetActivePage(WizardPage& page) {
  if (window_) PropSheet_SetCurSel(window_, page.Handle(), 0);
}

void CWizardSheet::SetFinishCaption() {
  Localization* localization = host_.GetLocalization();
  const std::wstring text = localization ? localization->String(50117) : std::wstring();
  if (window_ && !text.empty()) PropSheet_SetFinishText(window_, text.c_str());
}

void CWizardSheet::RestoreIfMinimized() {
  if (window_ && IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
}

int CALLBACK CWizardSheet::SheetCallback(HWND window, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE && lParam) {
    AddMinimizeBox(lParam);
  } else if (message == PSCB_INITIALIZED && creating) {
    CWizardSheet* sheet = creating;
    sheet->window_ = window;
    SetWindowSubclass(window, SheetProc, 1, reinterpret_cast<DWORD_PTR>(sheet));
    sheet->OnInitDialog();
  }
  return 0;
}

BOOL CWizardSheet::OnInitDialog() {
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  SetWindowLongPtrW(window_, GWL_STYLE, GetWindowLongPtrW(window_, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
  // Minimize and restore: brings the wizard to the foreground and into the task bar.
  ShowWindow(window_, SW_MINIMIZE);
  ShowWindow(window_, SW_RESTORE);
  // Centred on the work area of its monitor: at a large scale the sheet may not fit at (0,0).
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT frame{};
  if (GetWindowRect(window_, &frame) && GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const POINT at = CentredIn(monitor.rcWork, frame.right - frame.left, frame.bottom - frame.top);
    SetWindowPos(window_, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE);
  } else {
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  SessionNotifications(true);
  if (HWND back = GetDlgItem(window_, wizard_control::Back)) {
    RECT place{};
    GetWindowRect(back, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(back, nullptr, place.left - kBackButtonShift, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  band_.reset(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kBandBitmapId), IMAGE_BITMAP, 0, 0, 0));
  return TRUE;
}

void CWizardSheet::SessionNotifications(bool on) {
  if (!wtsapi_ || on == sessionRegistered_) return;
  if (on) {
    using Register = BOOL(WINAPI*)(HWND, DWORD);
    auto reg = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(wtsapi_.get(), "WTSRegisterSessionNotification")));
    sessionRegistered_ = reg && reg(window_, NOTIFY_FOR_THIS_SESSION);
  } else {
    using Unregister = BOOL(WINAPI*)(HWND);
    auto unreg = reinterpret_cast<Unregister>(reinterpret_cast<void*>(GetProcAddress(wtsapi_.get(), "WTSUnRegisterSessionNotification")));
    if (unreg) unreg(window_);
    sessionRegistered_ = false;
  }
}

bool CWizardSheet::PreTranslateMessage(MSG& message) {
  WizardPage* page = ActivePage();
  // Before the page's own Enter handling: a key meant for Cancel must never install.
  if (page && message.message == WM_KEYDOWN && message.wParam == VK_RETURN && page->PressFocusedButton()) return true;
  if (page && page->PreTranslateMessage(message)) return true;
  if (message.message != WM_KEYDOWN || !page) return false;
  if (message.wParam == VK_RETURN) {
    page->OnEnterKey();
    return true;
  }
  if (message.wParam == VK_TAB) page->OnTabKey(true);
  return false;
}

LRESULT CALLBACK CWizardSheet::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
  bool handled = false;
  LRESULT result = reinterpret_cast<CWizardSheet*>(self)->OnSheetMessage(message, wParam, lParam, handled);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, SheetProc, 1);
  return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CWizardSheet::OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  switch (message) {
    case WM_PAINT: {
      handled = true;
      if (IsIconic(window_)) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window_, &paint);
        RECT area{};
        GetClientRect(window_, &area);
        DrawIcon(dc, (area.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (area.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
        EndPaint(window_, &paint);
        return 0;
      }
      DefSubclassProc(window_, message, wParam, lParam);
      PaintBand(window_);
      const std::wstring& title = host_.CurrentTitle();
      wchar_t current[256] = {};
      GetWindowTextW(window_, current, 256);
      if (title != current) SetWindowTextW(window_, title.c_str());
      return 0;
    }
    case WM_WTSSESSION_CHANGE:
      handled = true;
      if (wParam == WTS_SESSION_UNLOCK && !IsIconic(window_)) {
        ShowWindow(window_, SW_MINIMIZE);
        SetTimer(window_, kRestoreTimer, kRestoreDelayMs, nullptr);
      }
      return 0;
    case WM_TIMER:
      if (wParam != kRestoreTimer) return 0;
      handled = true;
      KillTimer(window_, kRestoreTimer);
      ShowWindow(window_, SW_RESTORE);
      return 0;
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
      handled = true;
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == 32771 || LOWORD(wParam) == 32772) handled = true;
      return 0;
    case WM_DPICHANGED:
      handled = true;
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      SessionNotifications(false);
      return 0;
    default:
      (void)lParam;
      return 0;
  }
}

// A sheet taller or wider than the screen's work area would put its buttons out of reach: its pages
// then take a smaller font, and so smaller dialog units, and the wizard's fonts shrink alike.
void CWizardSheet::FitTheWorkArea() {
  if (pages_.empty()) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const SIZE work{monitor.rcWork.right - monitor.rcWork.left, monitor.rcWork.bottom - monitor.rcWork.top};
  const int dpi = WindowDpi(nullptr);
  // The caption, the frame and the button strip around a page, a little generously.
  const SIZE extra{ScaledForDpi(kSheetExtraWidth, dpi), ScaledForDpi(kSheetExtraHeight, dpi)};
  const WizardPage& first = *pages_.front();
  std::map<WORD, SIZE> measured;  // each hidden page made once
  auto pageAt = [&](WORD p) {
    auto found = measured.find(p);
    if (found == measured.end()) found = measured.emplace(p, MeasurePage(first.TemplateModule(), first.TemplateId(), p)).first;
    return found->second;
  };
  const WORD points = FittingFontPoints(kDesignFontPoints, kSmallestFontPoints, pageAt, extra, work);
  if (points == kDesignFontPoints) return;
  host_.Log().Log(L"The screen's work area (%dx%d) cannot hold the wizard at its size: its pages use a %d-point font.",
                  static_cast<int>(work.cx), static_cast<int>(work.cy), static_cast<int>(points));
  // Each page's template shrinks as much as its controls do at the smaller font.
  for (const auto& page : pages_) page->UseFontPoints(points, pageAt(kDesignFontPoints), pageAt(points));
  fonts_.ScaleTo(MulDiv(dpi, points, kDesignFontPoints));
}

// Moved to a monitor of another DPI: the sheet takes the size Windows suggests (the dialogs scale
// their own controls) and the wizard's fonts are made again for it.
void CWizardSheet::OnDpiChanged(int dpi, const RECT& suggested) {
  WizardFonts::Previous previous = fonts_.ScaleTo(dpi);
  FontSwap swap{previous.title.get(), previous.text.get(), fonts_.Title(), fonts_.Text()};
  EnumChildWindows(window_, SwapFont, reinterpret_cast<LPARAM>(&swap));
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, TRUE);
}

// The band behind the buttons grows with the DPI as the button strip does, keeping its shape.
void CWizardSheet::PaintBand(HWND window) {
  if (!band_) return;
  BITMAP info{};
  GetObjectW(band_.get(), sizeof(info), &info);
  RECT area{};
  GetClientRect(window, &area);
  const int dpi = WindowDpi(window);
  const int height = ScaledForDpi(kBandHeight, dpi);
  const int sourceWidth = std::min<int>(info.bmWidth, MulDiv(area.right, 96, dpi));
  platform::WindowDC dc(window, GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPCHILDREN));
  if (!dc) return;
  platform::MemoryDC source(CreateCompatibleDC(dc.get()));
  HGDIOBJ old = SelectObject(source.get(), band_.get());
  // A scheme whose button texts would not read on the light band (a dark high-contrast one) keeps
  // the strip in its own button colour.
  const COLORREF middle = GetPixel(source.get(), info.bmWidth / 2, std::min<int>(info.bmHeight, kBandHeight) / 2);
  if (middle != CLR_INVALID && ContrastRatio(GetSysColor(COLOR_BTNTEXT), middle) < 4.5) {
    SelectObject(source.get(), old);
    return;
  }
  SetStretchBltMode(dc.get(), HALFTONE);
  SetBrushOrgEx(dc.get(), 0, 0, nullptr);
  StretchBlt(dc.get(), 0, area.bottom - height, area.right, height, source.get(), 0, 0, sourceWidth,
             std::min<int>(info.bmHeight, kBandHeight), SRCCOPY);
  SelectObject(source.get(), old);
}
