// Windows Installer: product state and information, logging, installs and transactions.
#pragma once

#include <windows.h>
#include <msi.h>

#include <memory>
#include <string>

namespace platform {

// INSTALLLOGMODE_VERBOSE: the per-package logs the setup asks Windows Installer for.
constexpr DWORD kVerboseLogMode = 0x1000;

// A product state that means "on this machine": installed (5), or installed for another user (2).
inline bool IsInstalledState(int state) { return state == 5 || state == 2; }

// MsiBeginTransactionW / MsiEndTransaction from msi.dll of the system folder, loaded for one
// package group and freed with this object.
class MsiTransactions {
 public:
  virtual ~MsiTransactions() = default;
  virtual bool Available() const = 0;
  virtual UINT Begin(const std::wstring& name, DWORD attributes) = 0;
  virtual UINT End(DWORD state) = 0;  // 1 commit, 0 rollback
};

class WindowsInstaller {
 public:
  virtual ~WindowsInstaller() = default;
  // MsiQueryProductStateW: 5 installed, 2 installed for another user, -1 unknown, ...
  virtual int QueryProductState(const std::wstring& productCode) = 0;
  // MsiGetProductInfoW (size query, then the read); false when the property is missing.
  virtual bool GetProductInfo(const std::wstring& productCode, const std::wstring& property, std::wstring& value) = 0;
  // MsiSetInternalUI; answers the level that was in force before.
  virtual int SetInternalUI(int level) = 0;
  // MsiSetExternalUIW: the handler is called on the installing thread with the context.
  virtual void SetExternalUI(INSTALLUI_HANDLERW handler, DWORD messageFilter, void* context) = 0;
  virtual UINT EnableLog(DWORD mode, const std::wstring& path, DWORD attributes) = 0;
  virtual UINT InstallProduct(const std::wstring& package, const std::wstring& commandLine) = 0;
  virtual UINT ConfigureProductEx(const std::wstring& productCode, int level, int state,
                                  const std::wstring& commandLine) = 0;
  virtual UINT ReinstallProduct(const std::wstring& productCode, DWORD mode) = 0;
  // MsiSourceListAddSourceExW: makes the folder holding packagePath a network source of the
  // installed product (machine context first, then the user's), so that what must read the
  // package's files finds them there. ERROR_FILE_NOT_FOUND when the package is not there.
  virtual UINT AddSourceFolder(const std::wstring& productCode, const std::wstring& packagePath) = 0;
  virtual std::unique_ptr<MsiTransactions> LoadTransactions() = 0;
  // DllGetVersion of msi.dll in the system folder; false without the library, the entry point or
  // a successful call.
  virtual bool Version(DWORD& major, DWORD& minor) = 0;
};

class Win32WindowsInstaller final : public WindowsInstaller {
 public:
  int QueryProductState(const std::wstring& productCode) override;
  bool GetProductInfo(const std::wstring& productCode, const std::wstring& property, std::wstring& value) override;
  int SetInternalUI(int level) override;
  void SetExternalUI(INSTALLUI_HANDLERW handler, DWORD messageFilter, void* context) override;
  UINT EnableLog(DWORD mode, const std::wstring& path, DWORD attributes) override;
  UINT InstallProduct(const std::wstring& package, const std::wstring& commandLine) override;
  UINT ConfigureProductEx(const std::wstring& productCode, int level, int state,
                          const std::wstring& commandLine) override;
  UINT ReinstallProduct(const std::wstring& productCode, DWORD mode) override;
  UINT AddSourceFolder(const std::wstring& productCode, const std::wstring& packagePath) override;
  std::unique_ptr<MsiTransactions> LoadTransactions() override;
  bool Version(DWORD& major, DWORD& minor) override;
};

}  // namespace platform
