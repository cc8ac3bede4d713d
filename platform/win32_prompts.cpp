#include "platform/prompts.h"

namespace platform {

int Win32Prompts::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                       const std::function<void()>& prepare) {
  if (prepare) prepare();
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace platform
