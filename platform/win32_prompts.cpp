#include "platform/prompts.h"

#include <algorithm>

namespace platform {

namespace {

// What waits for this thread's next box: its button captions, and the owner it is centred over
// (by itself Windows centres a box on the screen, far from a wizard that sits elsewhere). Held
// through a plain pointer: a thread_local with a destructor makes the runtime delete a thread key
// at exit, which can deadlock with a worker thread's own exit.
struct PendingBox {
  HHOOK hook = nullptr;
  std::vector<std::pair<int, std::wstring>> captions;
  HWND owner = nullptr;
};
thread_local PendingBox* t_pending = nullptr;

void DropPending() {
  if (!t_pending) return;
  if (t_pending->hook) UnhookWindowsHookEx(t_pending->hook);
  delete t_pending;
  t_pending = nullptr;
}

void CentreOver(HWND box, HWND owner) {
  RECT around{}, frame{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetWindowRect(owner, &around) || !GetWindowRect(box, &frame) ||
      !GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
  const RECT& work = monitor.rcWork;
  const LONG x = std::max(work.left, std::min((around.left + around.right - width) / 2, work.right - width));
  const LONG y = std::max(work.top, std::min((around.top + around.bottom - height) / 2, work.bottom - height));
  SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = t_pending ? t_pending->hook : nullptr;
  if (code == HCBT_ACTIVATE && t_pending) {
    HWND box = reinterpret_cast<HWND>(wParam);
    for (const auto& [id, caption] : t_pending->captions) {
      if (HWND button = GetDlgItem(box, id)) SetWindowTextW(button, caption.c_str());
    }
    if (t_pending->owner) CentreOver(box, t_pending->owner);
    // One box only: the hook removes itself once it has done its work.
    DropPending();
    return 0;
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

// The pending box of this thread, with its hook in place; null when no hook could be set.
PendingBox* Pending() {
  if (t_pending) return t_pending;
  t_pending = new PendingBox{};
  t_pending->hook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
  if (!t_pending->hook) DropPending();
  return t_pending;
}

}  // namespace

void RenameNextBoxButtons(std::vector<std::pair<int, std::wstring>> captions) {
  DropPending();
  if (PendingBox* box = Pending()) box->captions = std::move(captions);
}

int Win32Prompts::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                       const std::function<void()>& prepare) {
  if (prepare) prepare();
  if (owner && IsWindowVisible(owner) && !IsIconic(owner))
    if (PendingBox* box = Pending()) box->owner = owner;
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  DropPending();  // a box that never appeared leaves no hook behind
  return answer;
}

}  // namespace platform
