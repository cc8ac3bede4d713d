#include "ui/dpi.h"

#include "platform/handles.h"

int WindowDpi(HWND window) {
  using ForWindow = UINT(WINAPI*)(HWND);
  static const auto forWindow = reinterpret_cast<ForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (forWindow && window) {
    if (UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  }
  platform::WindowDC screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}
