// COM for the calling thread while the object lives, released only when this object got it.
#pragma once

#include <objbase.h>

namespace platform {

class ComApartment {
 public:
  ComApartment() : status_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), initialized_(SUCCEEDED(status_)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  // What the initialisation answered (S_FALSE: the thread had COM already).
  HRESULT Status() const { return status_; }

 private:
  HRESULT status_;
  bool initialized_;
};

}  // namespace platform
