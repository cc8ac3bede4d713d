#include "platform/prompts.h"

#include <algorithm>

namespace platform {

namespace {

// The captions waiting for this thread's next box. Held through a plain pointer: a thread_local
// with a destructor makes the runtime delete a thread key at exit, which can deadlock with a
// worker thread's own exit.
struct PendingCaptions {
  HHOOK hook = nullptr;
  std::vector<std::pair<int, std::wstring>> captions;
};
thread_local PendingCaptions* t_pending = nullptr;

void DropPending() {
  if (!t_pending) return;
  if (t_pending->hook) UnhookWindowsHookEx(t_pending->hook);
  delete t_pending;
  t_pending = nullptr;
}

LRESULT CALLBACK ButtonHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = t_pending ? t_pending->hook : nullptr;
  if (code == HCBT_ACTIVATE && t_pending) {
    HWND box = reinterpret_cast<HWND>(wParam);
    for (const auto& [id, caption] : t_pending->captions) {
      if (HWND button = GetDlgItem(box, id)) SetWindowTextW(button, caption.c_str());
    }
    // One box only: the hook removes itself once it has done its work.
    DropPending();
    return 0;
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

// The owner of this thread's next box, which the box is centred over: by itself Windows centres
// a box on the screen, far from a wizard that sits elsewhere.
struct PendingCentre {
  HHOOK hook = nullptr;
  HWND owner = nullptr;
};
thread_local PendingCentre* t_centre = nullptr;

void DropCentre() {
  if (!t_centre) return;
  if (t_centre->hook) UnhookWindowsHookEx(t_centre->hook);
  delete t_centre;
  t_centre = nullptr;
}

LRESULT CALLBACK CentreHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = t_centre ? t_centre->hook : nullptr;
  if (code == HCBT_ACTIVATE && t_centre) {
    HWND box = reinterpret_cast<HWND>(wParam);
    RECT owner{}, frame{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetWindowRect(t_centre->owner, &owner) && GetWindowRect(box, &frame) &&
        GetMonitorInfoW(MonitorFromWindow(t_centre->owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
      const RECT& work = monitor.rcWork;
      LONG x = (owner.left + owner.right - width) / 2, y = (owner.top + owner.bottom - height) / 2;
      x = std::max(work.left, std::min(x, work.right - width));
      y = std::max(work.top, std::min(y, work.bottom - height));
      SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The button captions' hook sees the same activation.
    const LRESULT next = CallNextHookEx(self, code, wParam, lParam);
    DropCentre();
    return next;
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

}  // namespace

void RenameNextBoxButtons(std::vector<std::pair<int, std::wstring>> captions) {
  DropPending();
  t_pending = new PendingCaptions{nullptr, std::move(captions)};
  t_pending->hook = SetWindowsHookExW(WH_CBT, ButtonHook, nullptr, GetCurrentThreadId());
  if (!t_pending->hook) DropPending();
}

int Win32Prompts::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                       const std::function<void()>& prepare) {
  if (prepare) prepare();
  DropCentre();
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
    t_centre = new PendingCentre{nullptr, owner};
    t_centre->hook = SetWindowsHookExW(WH_CBT, CentreHook, nullptr, GetCurrentThreadId());
    if (!t_centre->hook) DropCentre();
  }
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  DropPending();  // a box that never appeared leaves no hook behind
  DropCentre();
  return answer;
}

}  // namespace platform
