// holdfile.exe PATH SECONDS: opens PATH (creating it) with no sharing, creates PATH.held to say
// so, and keeps it open until PATH.release appears or SECONDS pass. Stands in for a program that
// must be closed before a setup may run.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring path = argv[1];
  int seconds = _wtoi(argv[2]);
  HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 3;
  HANDLE marker = CreateFileW((path + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  const std::wstring release = path + L".release";
  for (int tenths = 0; tenths < seconds * 10; ++tenths) {
    if (GetFileAttributesW(release.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(100);
  }
  CloseHandle(held);
  return 0;
}
