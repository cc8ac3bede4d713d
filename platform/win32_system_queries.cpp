#include <windows.h>
#include <shlobj.h>
#include <wuapi.h>

#include "platform/handles.h"
#include "platform/system_queries.h"
#include "platform/win32_folders.h"

namespace platform {
namespace {

const CLSID kSystemInformationClass = {0xC01B9BA0, 0xBEA7, 0x41BA, {0xB6, 0x04, 0xD0, 0xA3, 0x6F, 0x46, 0x91, 0x33}};
const IID kSystemInformationIid = {0xADE87BF7, 0x7B56, 0x4275, {0x8F, 0xAB, 0xB9, 0xB0, 0xE5, 0x91, 0x84, 0x4B}};

// A shell folder by its CSIDL; empty on failure.
std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

}  // namespace

bool Win32SystemQueries::Is64BitWindows(bool& is64, DWORD& error) {
#if defined(_WIN64)
  // A 64-bit build only runs on 64-bit Windows.
  (void)error;
  is64 = true;
  return true;
#else
  BOOL wow = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow)) {
    error = GetLastError();
    is64 = false;
    return false;
  }
  is64 = wow != FALSE;
  return true;
#endif
}

bool Win32SystemQueries::Version(OsVersion& out, DWORD& error) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  out = OsVersion{};
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  BOOL ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  if (!ok) {
    error = GetLastError();
    return false;
  }
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
  out.platformId = info.dwPlatformId;
  out.servicePack = info.szCSDVersion;
  out.servicePackMajor = info.wServicePackMajor;
  out.servicePackMinor = info.wServicePackMinor;
  out.suiteMask = info.wSuiteMask;
  out.productType = info.wProductType;
  return true;
}

bool Win32SystemQueries::TotalPhysicalMemory(uint64_t& bytes, DWORD& error) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) {
    error = GetLastError();
    bytes = 0;
    return false;
  }
  bytes = status.ullTotalPhys;
  return true;
}

int Win32SystemQueries::ServerR2Metric() { return GetSystemMetrics(SM_SERVERR2); }

RebootQuery Win32SystemQueries::RebootRequired() {
  RebootQuery answer;
  ComPtr<ISystemInformation> info;
  answer.created = CoCreateInstance(kSystemInformationClass, nullptr, CLSCTX_INPROC_SERVER, kSystemInformationIid,
                                    info.put_void());
  if (FAILED(answer.created) || !info) return answer;
  VARIANT_BOOL flag = VARIANT_FALSE;
  answer.readOk = SUCCEEDED(info->get_RebootRequired(&flag));
  answer.required = answer.readOk && flag != VARIANT_FALSE;
  return answer;
}

UINT Win32SystemQueries::DriveType(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

bool Win32SystemQueries::CanCreateSubfolder(const std::wstring& folder) {
  const std::wstring dummy = folder + L"\\Dummy";
  RemoveDirectoryW(dummy.c_str());
  if (!CreateDirectoryW(dummy.c_str(), nullptr)) return false;
  RemoveDirectoryW(dummy.c_str());
  return true;
}

std::wstring Win32SystemQueries::ProgramFilesFolder() {
  bool is64 = false;
  DWORD error = 0;
  Is64BitWindows(is64, error);
  return ShellFolder(is64 ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

std::wstring Win32SystemQueries::CommonAppDataFolder() { return ShellFolder(CSIDL_COMMON_APPDATA); }

std::wstring Win32SystemQueries::WindowsFolder() { return WindowsDirectory(); }

std::wstring Win32SystemQueries::TempFolder(DWORD& error) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) {
    error = GetLastError();
    return {};
  }
  return std::wstring(buffer, n);
}

std::wstring Win32SystemQueries::ComputerDnsName() {
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsFullyQualified, nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetComputerNameExW(ComputerNameDnsFullyQualified, name.data(), &size)) return {};
  name.resize(size);
  return name;
}

bool Win32SystemQueries::InprocObjectCreatable(const std::wstring& classId) {
  CLSID clsid{};
  if (FAILED(CLSIDFromString(classId.c_str(), &clsid))) return false;
  ComPtr<IUnknown> object;
  return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(object.put())));
}

WORD Win32SystemQueries::NativeProcessorArchitecture() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

}  // namespace platform
