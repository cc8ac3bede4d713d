// A picture control: a JPEG (or an animated GIF) from a resource library, drawn by the static
// it takes over. Frames of an animation change on a thread of their own until the control stops.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "ui/picture_scale.h"

class CPictureEx {
 public:
  CPictureEx();
  ~CPictureEx();
  CPictureEx(const CPictureEx&) = delete;
  CPictureEx& operator=(const CPictureEx&) = delete;

  void Attach(HWND control);
  // The resource of type "JPEG"; false (and the control left empty) when missing or unreadable.
  bool LoadFromResource(HMODULE library, UINT id);
  bool Load(const void* data, size_t size);
  // Shows what is loaded: starts an animation, or paints the one picture. False when nothing is
  // loaded or no control is attached.
  bool Draw();

  bool Loaded() const { return !frames_.empty(); }
  SIZE Size() const { return size_; }
  bool Animated() const { return frames_.size() > 1; }
  // Set after loading on a screen that is not 96 dots per inch.
  bool Scaling() const { return scaling_; }

 private:
  struct Frame {
    platform::ComPtr<IPicture> picture;
    SIZE himetric{};
    POINT at{};     // on the logical screen, pixels
    SIZE pixels{};
    int delayMs = 0;
  };

  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  static platform::ComPtr<IPicture> LoadPicture(const void* data, size_t size);
  void Unload();
  void StopAnimation();
  void Animate();
  void Paint();
  void Detach();

  HWND control_ = nullptr;
  std::vector<Frame> frames_;
  SIZE size_{};
  bool scaling_ = false;
  bool shown_ = false;
  std::atomic<size_t> current_{0};
  platform::UniqueHandle stop_;
  std::thread animation_;
};
