#include "platform/prompts.h"

#include "platform/handles.h"

namespace platform {

namespace {

// The hook is per thread: a worker thread's box must not take the main thread's hook.
thread_local UniqueHook t_hook;
thread_local std::vector<std::pair<int, std::wstring>> t_captions;

LRESULT CALLBACK ButtonHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = t_hook.get();
  if (code == HCBT_ACTIVATE && self) {
    HWND box = reinterpret_cast<HWND>(wParam);
    for (const auto& [id, caption] : t_captions) {
      if (HWND button = GetDlgItem(box, id)) SetWindowTextW(button, caption.c_str());
    }
    // One box only: the hook removes itself once it has done its work.
    t_hook.reset();
    t_captions.clear();
    return 0;
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

}  // namespace

void RenameNextBoxButtons(std::vector<std::pair<int, std::wstring>> captions) {
  t_hook.reset();
  t_captions = std::move(captions);
  t_hook.reset(SetWindowsHookExW(WH_CBT, ButtonHook, nullptr, GetCurrentThreadId()));
}

int Win32Prompts::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                       const std::function<void()>& prepare) {
  if (prepare) prepare();
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace platform
