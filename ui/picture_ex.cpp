#include "ui/picture_ex.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstring>

#include "platform/handles.h"
#include "ui/dpi.h"
#include "ui/gif_frames.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x504958;  // "PIX"

using GlobalMemory = platform::UniqueOwner<platform::ClosedBy<HGLOBAL, &::GlobalFree>>;

struct ScreenDpi {
  int x = 96, y = 96;
};

ScreenDpi QueryScreenDpi() {
  ScreenDpi dpi;
  if (platform::WindowDC screen{nullptr}) {
    dpi.x = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  return dpi;
}

}  // namespace

CPictureEx::CPictureEx() = default;

CPictureEx::~CPictureEx() {
  StopAnimation();
  Detach();
}

void CPictureEx::Attach(HWND control) {
  Detach();
  if (!control) return;
  control_ = control;
  SetWindowSubclass(control_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CPictureEx::Detach() {
  if (control_) RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
  control_ = nullptr;
}

bool CPictureEx::LoadFromResource(HMODULE library, UINT id) {
  HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(id), L"JPEG");
  if (!found) {
    Unload();
    return false;
  }
  DWORD size = SizeofResource(library, found);
  HGLOBAL loaded = LoadResource(library, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) {
    Unload();
    return false;
  }
  return Load(bytes, size);
}

platform::ComPtr<IPicture> CPictureEx::LoadPicture(const void* data, size_t size) {
  platform::ComPtr<IPicture> picture;
  if (!data || size == 0 || size > MAXLONG) return picture;
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!memory) return picture;
  void* target = GlobalLock(memory.get());
  if (!target) return picture;
  std::memcpy(target, data, size);
  GlobalUnlock(memory.get());
  platform::ComPtr<IStream> stream;
  // The stream frees the memory once it owns it.
  if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) return picture;
  memory.release();
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, picture.put_void())))
    picture.reset();
  return picture;
}

bool CPictureEx::Load(const void* data, size_t size) {
  Unload();
  ScreenDpi dpi = QueryScreenDpi();
  std::vector<Frame> frames;
  SIZE screen{};
  auto add = [&](platform::ComPtr<IPicture> picture, POINT at, int delayMs) {
    Frame frame;
    if (!picture || FAILED(picture->get_Width(&frame.himetric.cx)) || FAILED(picture->get_Height(&frame.himetric.cy)))
      return false;
    frame.picture = std::move(picture);
    frame.at = at;
    frame.pixels = picture_scale::HimetricToPixels(frame.himetric, dpi.x, dpi.y);
    frame.delayMs = delayMs;
    frames.push_back(std::move(frame));
    return true;
  };

  if (gif::HasSignature(data, size)) {
    gif::Animation animation = gif::Split(data, size);
    for (const gif::Frame& f : animation.frames) {
      // A frame that does not load ends the animation rather than leaving a hole in it.
      if (!add(LoadPicture(f.bytes.data(), f.bytes.size()), POINT{f.left, f.top}, f.delayMs)) break;
    }
    screen = {animation.width, animation.height};
  } else if (add(LoadPicture(data, size), POINT{0, 0}, 0)) {
    screen = frames.front().pixels;
  }
  if (frames.empty()) return false;
  frames_ = std::move(frames);
  size_ = screen;
  scaling_ = picture_scale::NeedsScaling(dpi.x, dpi.y);
  return true;
}

void CPictureEx::Unload() {
  StopAnimation();
  frames_.clear();
  size_ = {};
  scaling_ = false;
  shown_ = false;
  current_ = 0;
  if (control_) InvalidateRect(control_, nullptr, TRUE);
}

bool CPictureEx::Draw() {
  if (!Loaded() || !control_) return false;
  shown_ = true;
  if (Animated() && !animation_.joinable()) {
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (stop_) animation_ = std::thread(&CPictureEx::Animate, this);
  }
  InvalidateRect(control_, nullptr, TRUE);
  return true;
}

// Only advances the frame and asks for a repaint: the pictures are painted on the control's own
// thread, the one whose apartment created them.
void CPictureEx::Animate() {
  HANDLE stop = stop_.get();
  HWND control = control_;
  size_t count = frames_.size();
  for (;;) {
    size_t shown = current_.load();
    if (WaitForSingleObject(stop, static_cast<DWORD>(frames_[shown].delayMs)) != WAIT_TIMEOUT) return;
    current_ = (shown + 1) % count;
    InvalidateRect(control, nullptr, FALSE);
  }
}

void CPictureEx::StopAnimation() {
  if (animation_.joinable()) {
    SetEvent(stop_.get());
    animation_.join();
  }
  stop_.reset();
}

void CPictureEx::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(control_, &ps);
  if (!dc) return;
  if (shown_ && Loaded()) {
    picture_scale::Factors factors;
    // The monitor's DPI now, not the one it was loaded at: the sheet may have moved.
    const int dpi = WindowDpi(control_);
    if (picture_scale::NeedsScaling(dpi, dpi)) {
      RECT page{};
      GetClientRect(GetParent(control_), &page);
      factors = picture_scale::PageFactors(page.right - page.left, page.bottom - page.top);
    }
    const Frame& frame = frames_[current_.load() % frames_.size()];
    SIZE at = picture_scale::Scaled(SIZE{frame.at.x, frame.at.y}, factors);
    SIZE extent = picture_scale::Scaled(frame.pixels, factors);
    // HIMETRIC runs upwards: the source starts at the bottom edge with a negative height.
    frame.picture->Render(dc, at.cx, at.cy, extent.cx, extent.cy, 0, frame.himetric.cy, frame.himetric.cx,
                          -frame.himetric.cy, nullptr);
  }
  EndPaint(control_, &ps);
}

LRESULT CALLBACK CPictureEx::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* self = reinterpret_cast<CPictureEx*>(data);
  switch (message) {
    case WM_PAINT:
      self->Paint();
      return 0;
    case WM_NCDESTROY:
      self->StopAnimation();
      self->Detach();
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}
