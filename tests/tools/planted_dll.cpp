// A DLL someone could plant beside setup.exe (built as version.dll and msi.dll): loading it
// leaves "<name>.loaded" beside it. Its version functions answer as if no file had version
// information, so a program that did load it still runs on.
#include <windows.h>

#include <string>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  const std::wstring marker = std::wstring(path, n) + L".loaded";
  HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD handle) {
  if (handle) *handle = 0;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) {
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) { return FALSE; }

}  // extern "C"
