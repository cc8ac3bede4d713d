// Owners for Windows handle kinds: each closes exactly once and cannot be copied.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace platform {

template <typename Traits>
class UniqueOwner {
 public:
  using Handle = typename Traits::Handle;
  UniqueOwner() = default;
  explicit UniqueOwner(Handle h) : h_(h) {}
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;
  UniqueOwner(UniqueOwner&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  UniqueOwner& operator=(UniqueOwner&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::Invalid()));
    return *this;
  }
  ~UniqueOwner() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return Traits::Valid(h_); }
  Handle* put() {
    reset();
    return &h_;
  }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (Traits::Valid(h_)) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

// A handle kind whose empty value is null (or zero) and that one function closes.
template <typename H, auto CloseFunction>
struct ClosedBy {
  using Handle = H;
  static Handle Invalid() { return Handle{}; }
  static bool Valid(Handle h) { return h != Handle{}; }
  static void Close(Handle h) { CloseFunction(h); }
};

// A HANDLE kind for which some calls answer INVALID_HANDLE_VALUE for none, others null.
template <auto CloseFunction>
struct KernelStyle {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseFunction(h); }
};
using UniqueHandle = UniqueOwner<KernelStyle<&::CloseHandle>>;
using FindHandle = UniqueOwner<KernelStyle<&::FindClose>>;  // a FindFirstFileW search

using RegKey = UniqueOwner<ClosedBy<HKEY, &::RegCloseKey>>;
using Library = UniqueOwner<ClosedBy<HMODULE, &::FreeLibrary>>;
using LocalSid = UniqueOwner<ClosedBy<PSID, &::LocalFree>>;
using UniqueHook = UniqueOwner<ClosedBy<HHOOK, &::UnhookWindowsHookEx>>;
using ServiceHandle = UniqueOwner<ClosedBy<SC_HANDLE, &::CloseServiceHandle>>;
using GdiObject = UniqueOwner<ClosedBy<HGDIOBJ, &::DeleteObject>>;
using MemoryDC = UniqueOwner<ClosedBy<HDC, &::DeleteDC>>;  // CreateCompatibleDC
using LocalMemory = UniqueOwner<ClosedBy<HLOCAL, &::LocalFree>>;
// Memory the shell or COM hands over (an item list, a string); T is the pointer type.
template <typename T>
using CoTaskMemory = UniqueOwner<ClosedBy<T, &::CoTaskMemFree>>;

// A window's device context (GetDC), released to that window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  // One got otherwise for the window (GetDCEx).
  WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A COM interface pointer that releases what it holds.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p) : p_(p) {}
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& o) {
    if (this != &o) {
      if (o.p_) o.p_->AddRef();
      reset(o.p_);
    }
    return *this;
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }

 private:
  T* p_ = nullptr;
};

// A BSTR that is freed with the system allocator.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* s) : s_(::SysAllocString(s)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(s_); }
  BSTR get() const { return s_; }
  BSTR* put() {
    ::SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  std::wstring str() const { return s_ ? std::wstring(s_, ::SysStringLen(s_)) : std::wstring(); }

 private:
  BSTR s_ = nullptr;
};

}  // namespace platform
