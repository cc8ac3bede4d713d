#include "ui/folder_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/handles.h"
#include "platform/text.h"
#include "ui/fit_control.h"

namespace {

// A dialog item's caption from a culture text, widened to fit it; left of it: keeps that edge.
void CaptionAndFit(HWND dialog, int id, const std::wstring& caption, HWND alignTo = nullptr) {
  HWND item = GetDlgItem(dialog, id);
  if (!item || caption.empty()) return;
  SetWindowTextW(item, caption.c_str());
  SIZE extent{};
  {
    platform::WindowDC dc(item);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc.get(), old);
  }
  RECT place{};
  GetWindowRect(item, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  int width = std::max<int>(extent.cx + 8, place.right - place.left);
  int left = place.left;
  if (alignTo) {
    RECT edge{};
    GetWindowRect(alignTo, &edge);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&edge), 2);
    left = edge.left;
  }
  SetWindowPos(item, nullptr, left, place.top, width, place.bottom - place.top, SWP_NOZORDER);
}

int CALLBACK Callback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_VALIDATEFAILEDW) return 1;
  const auto* texts = reinterpret_cast<const FolderDialogTexts*>(data);
  if (message != BFFM_INITIALIZED || !texts) return 0;
  if (!texts->title.empty()) SetWindowTextW(dialog, texts->title.c_str());
  CaptionAndFit(dialog, 14150, texts->folderLabel);
  CaptionAndFit(dialog, 14152, texts->newFolder, GetDlgItem(dialog, 14148));
  CaptionButton(GetDlgItem(dialog, IDOK), texts->ok);
  CaptionButton(GetDlgItem(dialog, IDCANCEL), texts->cancel);
  const std::wstring path = text::Trim(texts->startPath);
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
  } else if (HWND tree = GetDlgItem(dialog, 100)) {
    if (HTREEITEM root = TreeView_GetRoot(tree)) TreeView_Expand(tree, root, TVE_EXPAND);
  }
  return 0;
}

}  // namespace

Browsed BrowseForFolder(HWND owner, const FolderDialogTexts& texts, UINT flags, std::wstring& chosen,
                        PCIDLIST_ABSOLUTE root) {
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.lpszTitle = texts.heading.c_str();
  info.ulFlags = flags;
  info.lpfn = Callback;
  info.lParam = reinterpret_cast<LPARAM>(&texts);
  platform::CoTaskMemory<PIDLIST_ABSOLUTE> item(SHBrowseForFolderW(&info));
  if (!item) return Browsed::Cancelled;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(item.get(), path)) return Browsed::NoPath;
  chosen = path;
  return Browsed::Chosen;
}
