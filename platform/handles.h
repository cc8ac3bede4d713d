// Owners for Windows handle kinds: each closes exactly once and cannot be copied.
#pragma once

#include <windows.h>

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

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueOwner<KernelHandleTraits>;

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
using RegKey = UniqueOwner<RegKeyTraits>;

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using Library = UniqueOwner<LibraryTraits>;

struct SidTraits {
  using Handle = PSID;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};
using LocalSid = UniqueOwner<SidTraits>;

struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::UnhookWindowsHookEx(h); }
};
using UniqueHook = UniqueOwner<HookTraits>;

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
