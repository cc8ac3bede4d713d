// A machine-wide named mutex owned for the life of the object: how one setup keeps a second
// one, started meanwhile by another user or a deployment tool, from running beside it.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace platform {

class MachineLock {
 public:
  // Takes the lock, waiting for it at most `waitMilliseconds` (by default not at all). A holder
  // that ended without releasing it leaves it abandoned, which counts as free.
  explicit MachineLock(const wchar_t* name, DWORD waitMilliseconds = 0) : mutex_(CreateMutexW(nullptr, FALSE, name)) {
    if (!mutex_) {
      error_ = GetLastError();
      return;
    }
    const DWORD wait = WaitForSingleObject(mutex_.get(), waitMilliseconds);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!held_) error_ = wait == WAIT_TIMEOUT ? ERROR_ALREADY_EXISTS : GetLastError();
  }
  ~MachineLock() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

  bool Held() const { return held_; }
  // ERROR_ALREADY_EXISTS while another process held it throughout the wait; the creation error otherwise.
  DWORD Error() const { return error_; }

 private:
  UniqueHandle mutex_;
  bool held_ = false;
  DWORD error_ = 0;
};

}  // namespace platform
