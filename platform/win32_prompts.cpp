#include "platform/prompts.h"

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
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  DropPending();  // a box that never appeared leaves no hook behind
  return answer;
}

}  // namespace platform
