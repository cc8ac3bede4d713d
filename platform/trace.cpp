#include "platform/trace.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/handles.h"

namespace platform::trace {

namespace {

struct Clock {
  std::wstring path;
  LARGE_INTEGER frequency{};
  LARGE_INTEGER origin{};    // the counter when the clock was made
  double originSeconds = 0;  // seconds from the process's creation to origin
};

// The offset of the first mark from the process's creation, at the system clock's resolution
// (up to 16 ms on older Windows); the marks after it are counted by the performance counter.
double SinceCreation() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  ULONGLONG a = ticks(created), b = ticks(now);
  return b > a ? static_cast<double>(b - a) / 1e7 : 0;
}

const Clock& TheClock() {
  static const Clock clock = [] {
    Clock c;
    c.path = EnvironmentValue(L"ZEM_SETUP_TRACE");
    if (c.path.empty()) return c;
    QueryPerformanceFrequency(&c.frequency);
    QueryPerformanceCounter(&c.origin);
    c.originSeconds = SinceCreation();
    return c;
  }();
  return clock;
}

}  // namespace

void Mark(const char* event) {
  const Clock& clock = TheClock();
  if (clock.path.empty()) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  double seconds =
      clock.originSeconds + static_cast<double>(now.QuadPart - clock.origin.QuadPart) / clock.frequency.QuadPart;
  char line[128];
  int n = std::snprintf(line, sizeof line, "%.6f %s\r\n", seconds, event);
  if (n <= 0) return;
  if (n >= static_cast<int>(sizeof line)) n = sizeof line - 1;
  // Opened per mark in append mode: marks from the install thread and the window thread never
  // interleave within a line, and a crash loses nothing already marked.
  UniqueHandle file(CreateFileW(clock.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace platform::trace
