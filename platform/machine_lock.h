// A machine-wide named mutex owned for the life of the object: how one setup keeps a second
// one, started meanwhile by another user or a deployment tool, from running beside it.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace platform {

class MachineLock {
 public:
  // Takes the lock, waiting for it at most `waitMilliseconds` (by default not at all). A holder
  // that ended without releasing it leaves it abandoned, which counts as free. The mutex is made
  // so that only administrators and the system may open it. One that another user made first
  // (any user may create a global name) would keep every setup from running: it is not honoured,
  // and the lock counts as held, with `Squatter` naming who made it.
  explicit MachineLock(const wchar_t* name, DWORD waitMilliseconds = 0);
  ~MachineLock() {
    if (held_ && mutex_) ReleaseMutex(mutex_.get());
  }
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

  bool Held() const { return held_; }
  // ERROR_ALREADY_EXISTS while another process held it throughout the wait; the creation error otherwise.
  DWORD Error() const { return error_; }
  // The SID (as text) of the user who made the mutex when it was not an administrator or the
  // system; empty otherwise.
  const std::wstring& Squatter() const { return squatter_; }

 private:
  UniqueHandle mutex_;
  bool held_ = false;
  DWORD error_ = 0;
  std::wstring squatter_;
};

// The owner of a kernel object as SID text when it is neither Administrators nor SYSTEM; empty
// when it is one of the two. "?" when the owner cannot be read.
std::wstring ForeignOwner(HANDLE object);

}  // namespace platform
