// Every message box and modal question of the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace platform {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a message box (MB_* type) and answers its IDOK/IDCANCEL/... result; 0 when none could be shown.
  // prepare runs just before the box appears, on the same thread (the button hook goes in there).
  virtual int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                   const std::function<void()>& prepare) = 0;
};

class Win32Prompts final : public Prompts {
 public:
  int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
           const std::function<void()>& prepare) override;
};

}  // namespace platform
