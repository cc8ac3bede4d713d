#include <windows.h>
#include <msi.h>
#include <shlwapi.h>

#include <vector>

#include "platform/handles.h"
#include "platform/subsystem_handles.h"
#include "platform/trace.h"
#include "platform/win32_folders.h"
#include "platform/windows_installer.h"

namespace platform {

int Win32WindowsInstaller::QueryProductState(const std::wstring& productCode) {
  return MsiQueryProductStateW(productCode.c_str());
}

bool Win32WindowsInstaller::GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                                           std::wstring& value) {
  value.clear();
  DWORD size = 0;
  wchar_t empty[1] = {};
  UINT r = MsiGetProductInfoW(productCode.c_str(), property.c_str(), empty, &size);
  if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return false;
  std::vector<wchar_t> buffer(size + 1, L'\0');
  DWORD length = size + 1;
  r = MsiGetProductInfoW(productCode.c_str(), property.c_str(), buffer.data(), &length);
  if (r != ERROR_SUCCESS) return false;
  value.assign(buffer.data(), length);
  return true;
}

}  // namespace platform

namespace platform {
namespace {

class Win32MsiTransactions final : public MsiTransactions {
 public:
  Win32MsiTransactions() {
    // Only the system's own msi.dll.
    library_ = LoadSystemLibrary(L"msi.dll");
    if (!library_) return;
    begin_ = reinterpret_cast<BeginFn>(reinterpret_cast<void*>(GetProcAddress(library_.get(), "MsiBeginTransactionW")));
    end_ = reinterpret_cast<EndFn>(reinterpret_cast<void*>(GetProcAddress(library_.get(), "MsiEndTransaction")));
  }
  bool Available() const override { return begin_ && end_; }
  UINT Begin(const std::wstring& name, DWORD attributes) override {
    if (!begin_) return 1;
    // Neither the transaction handle nor the change-of-owner event is used: both are closed
    // at once, the event included, so that no group leaves a handle behind.
    MsiHandle transaction;
    UniqueHandle changeOfOwner;
    return begin_(name.c_str(), attributes, transaction.put(), changeOfOwner.put());
  }
  UINT End(DWORD state) override { return end_ ? end_(state) : 1; }

 private:
  using BeginFn = UINT(WINAPI*)(LPCWSTR, DWORD, MSIHANDLE*, HANDLE*);
  using EndFn = UINT(WINAPI*)(DWORD);
  Library library_;
  BeginFn begin_ = nullptr;
  EndFn end_ = nullptr;
};

}  // namespace

int Win32WindowsInstaller::SetInternalUI(int level) {
  return MsiSetInternalUI(static_cast<INSTALLUILEVEL>(level), nullptr);
}

void Win32WindowsInstaller::SetExternalUI(INSTALLUI_HANDLERW handler, DWORD messageFilter, void* context) {
  MsiSetExternalUIW(handler, messageFilter, context);
}

UINT Win32WindowsInstaller::EnableLog(DWORD mode, const std::wstring& path, DWORD attributes) {
  // No path turns the log off.
  return MsiEnableLogW(mode, path.empty() ? nullptr : path.c_str(), attributes);
}

UINT Win32WindowsInstaller::InstallProduct(const std::wstring& package, const std::wstring& commandLine) {
  trace::Mark("install call");
  UINT result = MsiInstallProductW(package.c_str(), commandLine.c_str());
  trace::Mark("package returned");
  return result;
}

UINT Win32WindowsInstaller::ConfigureProductEx(const std::wstring& productCode, int level, int state,
                                               const std::wstring& commandLine) {
  return MsiConfigureProductExW(productCode.c_str(), level, static_cast<INSTALLSTATE>(state), commandLine.c_str());
}

UINT Win32WindowsInstaller::ReinstallProduct(const std::wstring& productCode, DWORD mode) {
  return MsiReinstallProductW(productCode.c_str(), mode);
}

UINT Win32WindowsInstaller::AddSourceFolder(const std::wstring& productCode, const std::wstring& packagePath) {
  const DWORD attributes = GetFileAttributesW(packagePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_FILE_NOT_FOUND;
  const size_t slash = packagePath.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return ERROR_BAD_PATHNAME;
  const std::wstring folder = packagePath.substr(0, slash + 1);
  // Index 0: after the sources already known, which Windows Installer keeps trying first.
  const DWORD options = static_cast<DWORD>(MSISOURCETYPE_NETWORK) | static_cast<DWORD>(MSICODE_PRODUCT);
  UINT result = MsiSourceListAddSourceExW(productCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE, options,
                                          folder.c_str(), 0);
  if (result == ERROR_UNKNOWN_PRODUCT)
    result = MsiSourceListAddSourceExW(productCode.c_str(), nullptr, MSIINSTALLCONTEXT_USERUNMANAGED, options,
                                       folder.c_str(), 0);
  return result;
}

std::unique_ptr<MsiTransactions> Win32WindowsInstaller::LoadTransactions() {
  return std::make_unique<Win32MsiTransactions>();
}

bool Win32WindowsInstaller::Version(DWORD& major, DWORD& minor) {
  Library msi = LoadSystemLibrary(L"msi.dll");
  if (!msi) return false;
  using GetVersion = HRESULT(WINAPI*)(DLLVERSIONINFO*);
  auto getVersion = reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(msi.get(), "DllGetVersion")));
  if (!getVersion) return false;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(getVersion(&info))) return false;
  major = info.dwMajorVersion;
  minor = info.dwMinorVersion;
  return true;
}

}  // namespace platform
