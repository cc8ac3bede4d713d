// Every message box and modal question of the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a message box (MB_* type) and answers its IDOK/IDCANCEL/... result; 0 when none could be shown.
  // prepare runs just before the box appears, on the same thread (the button hook goes in there).
  virtual int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                   const std::function<void()>& prepare) = 0;
};

// The next message box this thread shows gets these captions on its buttons (by IDYES, IDOK, ...);
// boxes after it keep the system's own.
void RenameNextBoxButtons(std::vector<std::pair<int, std::wstring>> captions);

class Win32Prompts final : public Prompts {
 public:
  int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
           const std::function<void()>& prepare) override;
};

// Prompts whose boxes belong to one window unless the caller names another: code that knows no
// windows asks through it and the box still stays above the wizard.
class OwnedPrompts final : public Prompts {
 public:
  OwnedPrompts(Prompts& inner, HWND owner) : inner_(inner), owner_(owner) {}
  int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
           const std::function<void()>& prepare) override {
    return inner_.Show(owner ? owner : owner_, text, caption, type, prepare);
  }

 private:
  Prompts& inner_;
  HWND owner_;
};

}  // namespace platform
