#include "ui/launch_dialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "core/localization.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "resources/wizard_ids.h"
#include "ui/page_colours.h"
#include "ui/wizard_fonts.h"

namespace {

constexpr int kMessage = IDC_CACHE_MESSAGE, kKeepBox = IDC_KEEP_CACHE_BOX, kNote = IDC_CACHE_NOTE, kLink = IDC_LINK;

RECT ClientRectOf(HWND dialog, HWND item) {
  RECT r{};
  GetWindowRect(item, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Grows the message to its text and the dialog with it; what lies below moves down.
void FitToMessage(HWND dialog, const std::wstring& text, bool singleProduct) {
  HWND message = GetDlgItem(dialog, kMessage);
  RECT place = ClientRectOf(dialog, message);
  RECT need{0, 0, place.right - place.left, 0};
  platform::WindowDC dc(message);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(message, WM_GETFONT, 0, 0)));
  DrawTextW(dc.get(), text.c_str(), -1, &need, DT_CALCRECT | DT_NOPREFIX | (singleProduct ? 0 : DT_WORDBREAK));
  SelectObject(dc.get(), old);
  const int wider = std::max<int>(0, need.right - (place.right - place.left));
  const int taller = std::max<int>(0, need.bottom - (place.bottom - place.top));
  if (!wider && !taller) return;
  SetWindowPos(message, nullptr, 0, 0, place.right - place.left + wider, place.bottom - place.top + taller,
               SWP_NOMOVE | SWP_NOZORDER);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r = ClientRectOf(dialog, child);
    if (child != message && r.top >= place.bottom)
      SetWindowPos(child, nullptr, r.left + (GetDlgCtrlID(child) == IDOK || GetDlgCtrlID(child) == IDCANCEL ? wider : 0),
                   r.top + taller, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  RECT window{};
  GetWindowRect(dialog, &window);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + wider, window.bottom - window.top + taller,
               SWP_NOMOVE | SWP_NOZORDER);
}

void Centre(HWND dialog) {
  RECT window{}, work{};
  GetWindowRect(dialog, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(dialog, nullptr, work.left + ((work.right - work.left) - (window.right - window.left)) / 2,
               work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK DocumentCacheProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* question = reinterpret_cast<const DocumentCacheQuestion*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      question = reinterpret_cast<const DocumentCacheQuestion*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetWindowTextW(dialog, question->caption.c_str());
      for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongPtrW(child, GWL_STYLE) & SS_ICON)
          SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
      }
      SetDlgItemTextW(dialog, kMessage, question->text.c_str());
      if (Localization* localization = question->localization) {
        SetDlgItemTextW(dialog, kKeepBox, localization->String(50279).c_str());
        SetDlgItemTextW(dialog, kNote, localization->String(50280).c_str());
      }
      EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
      FitToMessage(dialog, question->text, question->singleProduct);
      CheckDlgButton(dialog, kKeepBox, BST_CHECKED);
      Centre(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        if (IsDlgButtonChecked(dialog, kKeepBox) != BST_CHECKED && question && question->discardCache)
          question->discardCache();
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_ERASEBKGND: {
      RECT area{};
      GetClientRect(dialog, &area);
      HDC dc = reinterpret_cast<HDC>(wParam);
      FillRect(dc, &area, PageBackgroundBrush());
      RECT band = area;
      band.top = ClientRectOf(dialog, GetDlgItem(dialog, IDOK)).top;
      platform::GdiObject grey(CreateSolidBrush(CurrentPageColours().band));
      FillRect(dc, &band, static_cast<HBRUSH>(grey.get()));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const PageColours colours = CurrentPageColours();
      SetBkColor(reinterpret_cast<HDC>(wParam), colours.background);
      SetTextColor(reinterpret_cast<HDC>(wParam), colours.text);
      return reinterpret_cast<INT_PTR>(PageBackgroundBrush());
    }
    default:
      return FALSE;
  }
}

struct NoticeState {
  const UnsupportedSystemNotice* notice;
  platform::GdiObject titleFont;
  HWND title = nullptr;
};

INT_PTR CALLBACK UnsupportedSystemProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<NoticeState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<NoticeState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state->titleFont.reset(CreatePointFont(140, L"Segoe UI"));
      SetWindowTextW(dialog, state->notice->caption.c_str());
      for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == 0xFFFF || GetDlgCtrlID(child) == -1) {
          state->title = child;
          SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(state->titleFont.get()), TRUE);
        }
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (state && reinterpret_cast<HWND>(lParam) == state->title) {
        // The dialog keeps the system's face colour: the title must stand out from that.
        SetTextColor(reinterpret_cast<HDC>(wParam),
                     ReadableOn(CurrentPageColours().title, GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_BTNTEXT)));
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (state && header->idFrom == kLink && (header->code == NM_CLICK || header->code == NM_RETURN) &&
          !state->notice->link.empty())
        ShellExecuteW(dialog, L"open", state->notice->link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int ShowDocumentCacheDialog(HWND owner, const DocumentCacheQuestion& question) {
  INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DOCUMENT_CACHE), owner, DocumentCacheProc,
                                   reinterpret_cast<LPARAM>(&question));
  return result == IDOK ? IDOK : IDCANCEL;  // a dialog that could not be shown agreed to nothing
}

SystemRequirementsPages DefaultSystemRequirementsPages() {
  return {L"https://support.orvanta.com/system-requirements",
          L"https://support.orvanta.com/system-requirements/on-premises", L"https://www.orvanta.com/products"};
}

std::wstring SystemRequirementsLink(const SystemRequirementsPages& pages, const std::wstring& productCulture,
                                    bool onPremises) {
  if (!text::EqualsNoCase(productCulture, L"en-US")) return pages.regionalProduct;
  return onPremises ? pages.onPremisesRequirements : pages.requirements;
}

void ShowUnsupportedSystemDialog(HWND owner, const UnsupportedSystemNotice& notice) {
  NoticeState state{&notice, {}, nullptr};
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UNSUPPORTED_SYSTEM), owner, UnsupportedSystemProc,
                  reinterpret_cast<LPARAM>(&state));
}
