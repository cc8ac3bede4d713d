// Brings Windows Installer up to 4.5 with the vendor's update for this Windows and processor,
// and holds msi.dll's transaction entry points for the install sequence.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/component_installer.h"
#include "engine/vendor_links.h"

struct WindowsInstallerPackage {
  VendorLink link;
  const wchar_t* fileName;
};

class WindowsInstallerComponent : public ComponentInstaller {
 public:
  // Loads msi.dll from the system folder; it is freed with the object.
  WindowsInstallerComponent(LogFile& log, platform::Platform& machine, const VendorLinks& links,
                            const std::wstring& logFolder = {});

  // True when Windows Installer is 4.5, or any version above 4, afterwards.
  bool InstallWindowsInstaller45();

  // The update for a Windows version and native processor architecture; none when there is none.
  static std::optional<WindowsInstallerPackage> ChoosePackage(const platform::OsVersion& version, WORD architecture);

  // msi.dll's MsiBeginTransactionW / MsiEndTransaction; null while the update runs.
  platform::MsiTransactions* Transactions() const { return msi_.get(); }

 private:
  void LoadMsi();

  platform::Platform& machine_;
  const VendorLinks& links_;
  std::unique_ptr<platform::MsiTransactions> msi_;
};
