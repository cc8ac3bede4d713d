#include "progress/progress_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include <memory>

namespace {

constexpr wchar_t kWindowClass[] = L"OrvantaSetupProgress";
constexpr UINT_PTR kEndTimer = 1;
constexpr DWORD kShowFailureMilliseconds = 2000;

// Client area at 96 dots per inch.
constexpr int kWidth = 440, kHeight = 158, kMargin = 16;

HWND Label(HWND parent, const std::wstring& text, int x, int y, int width, int height, HFONT font) {
  // No prefix: an '&' in a product name or status line is a character, not an accelerator.
  HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, width,
                               height, parent, nullptr, nullptr, nullptr);
  if (label) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return label;
}

}  // namespace

RunStep Interpret(const ProgressMessage& message) {
  RunStep step;
  switch (message.code) {
    case ProgressMessage::kStatus:
      step.status = message.text;
      break;
    case ProgressMessage::kFinished:
    case ProgressMessage::kInputEnded:
      step.ends = true;
      break;
    case ProgressMessage::kFailed:
      step.ends = true;
      step.exitCode = kExitFailed;
      step.showMilliseconds = kShowFailureMilliseconds;
      step.status = message.text.empty() ? L"The setup did not complete." : message.text;
      break;
    case ProgressMessage::kPosition: {
      wchar_t* end = nullptr;
      const long value = message.text.empty() ? -1 : wcstol(message.text.c_str(), &end, 10);
      if (end && *end == L'\0' && value >= 0) step.position = static_cast<int>(std::min(value, 100L));
      break;
    }
    case ProgressMessage::kNotSupported:
      step.ends = true;
      step.exitCode = kExitNotSupported;
      step.showMilliseconds = kShowFailureMilliseconds;
      step.status = L"This operation is not supported on this system.";
      break;
    default:  // a code this program does not know: nothing to show
      break;
  }
  return step;
}

bool ProgressWindow::Create(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);

  if (HDC screen = GetDC(nullptr)) {
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, Scale(kWidth), Scale(kHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2, y = work.top + (work.bottom - work.top - height) / 2;

  window_ = CreateWindowExW(0, kWindowClass, arguments_.productName.c_str(), style, x, y, width, height, nullptr,
                            nullptr, instance, this);
  if (!window_) return false;
  CreateControls();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  return true;
}

void ProgressWindow::CreateControls() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    font = metrics.lfMessageFont;
  else
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  textFont_.reset(CreateFontIndirectW(&font));
  font.lfHeight = font.lfHeight * 3 / 2;
  font.lfWeight = FW_BOLD;
  headingFont_.reset(CreateFontIndirectW(&font));
  auto text = static_cast<HFONT>(textFont_ ? textFont_.get() : GetStockObject(DEFAULT_GUI_FONT));
  auto heading = headingFont_ ? static_cast<HFONT>(headingFont_.get()) : text;

  const int inner = Scale(kWidth - 2 * kMargin), left = Scale(kMargin);
  Label(window_, arguments_.productName, left, Scale(12), inner, Scale(26), heading);
  Label(window_, arguments_.mode, left, Scale(42), inner, Scale(18), text);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_MARQUEE, left, Scale(68), inner,
                         Scale(16), window_, nullptr, nullptr, nullptr);
  // Until the setup says how far it is, the bar only shows that it works.
  if (bar_) SendMessageW(bar_, PBM_SETMARQUEE, TRUE, 30);
  status_ = Label(window_, L"Please wait...", left, Scale(96), inner, Scale(50), text);
}

void ProgressWindow::OnRecord(const ProgressMessage& message) {
  if (ending_) return;  // the run is over; whatever follows changes nothing
  const RunStep step = Interpret(message);
  if (!step.status.empty() && status_) SetWindowTextW(status_, step.status.c_str());
  if (step.position >= 0 && bar_) {
    SendMessageW(bar_, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongPtrW(bar_, GWL_STYLE, GetWindowLongPtrW(bar_, GWL_STYLE) & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(step.position), 0);
  }
  if (!step.ends) return;
  ending_ = true;
  exitCode_ = step.exitCode;
  if (bar_) SendMessageW(bar_, PBM_SETMARQUEE, FALSE, 0);
  if (step.showMilliseconds == 0 || !SetTimer(window_, kEndTimer, step.showMilliseconds, nullptr))
    DestroyWindow(window_);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto self = static_cast<ProgressWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->OnMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ProgressWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRecordMessage: {
      std::unique_ptr<ProgressMessage> record(reinterpret_cast<ProgressMessage*>(lParam));
      if (record) OnRecord(*record);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kEndTimer) {
        KillTimer(window_, kEndTimer);
        DestroyWindow(window_);
      }
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      PostQuitMessage(exitCode_);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}
