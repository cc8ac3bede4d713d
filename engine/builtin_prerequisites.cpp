#include "engine/builtin_prerequisites.h"

#include "checks/sql_probe.h"
#include "core/exit_codes.h"
#include "engine/aspnet_installer.h"
#include "engine/dotnet_framework_installer.h"
#include "engine/sql_client_installer.h"
#include "engine/vendor_links.h"
#include "engine/windows_installer_component.h"

namespace {

ComponentResult ResultOf(const ComponentInstaller& installer, bool success) {
  return {success, installer.exitCode, installer.errorText};
}

class ComponentBuiltIns final : public BuiltInInstallers {
 public:
  ComponentBuiltIns(const ReadContext& values, platform::Platform& machine, std::wstring logFolder,
                    const std::wstring& setupDirectory, const std::wstring& variablesListFileName)
      : log_(values.log),
        machine_(machine),
        logFolder_(std::move(logFolder)),
        links_(values, setupDirectory + variablesListFileName, setupDirectory + kLocalCopiesFolderName) {}

  ComponentResult DotNet35Sp1() override {
    DotNetFrameworkInstaller installer(log_, machine_, links_, logFolder_);
    bool success = installer.InstallDotNet35Sp1();
    return ResultOf(installer, success);
  }
  ComponentResult DotNet4(const std::wstring& version) override {
    DotNetFrameworkInstaller installer(log_, machine_, links_, logFolder_);
    bool success = installer.InstallDotNet4(version);
    return ResultOf(installer, success);
  }
  ComponentResult WindowsInstaller45() override {
    WindowsInstallerComponent installer(log_, machine_, links_, logFolder_);
    bool success = installer.InstallWindowsInstaller45();
    return ResultOf(installer, success);
  }
  ComponentResult SqlNativeClient(int& nativeClientFlavour) override {
    SqlClientInstaller installer(log_, machine_, links_, logFolder_);
    bool success = installer.EnsureSqlNativeClient();
    nativeClientFlavour = installer.chosenFlavour != SqlClientNone ? installer.chosenFlavour
                                                                   : installer.detection.nativeClientFlavour;
    return ResultOf(installer, success);
  }
  bool SqlCmdInstalled() override { return SqlDetection(log_, machine_).SqlCmdCheck(); }
  ComponentResult InstallSqlCmd(int nativeClientFlavour) override {
    ComponentInstaller installer(log_, machine_, logFolder_);
    installer.localCopies = &links_;
    std::optional<VendorLink> link = VendorLinks::SqlCmdLnUtilsFor(nativeClientFlavour);
    // Without a package for this client generation the download has nothing to fetch and fails.
    UINT result = installer.DownloadAndInstallMsi(link ? links_.Url(*link) : std::wstring(), L"SqlCmdLnUtils.msi", L"",
                                                  link ? links_.Sha256(*link) : std::wstring());
    installer.exitCode = result;
    return ResultOf(installer, exit_code::PackageSucceeded(static_cast<int>(result)));
  }
  ComponentResult AspNet4() override {
    AspNetInstaller installer(log_, machine_, logFolder_);
    uint32_t result = installer.EnableAspNet4();
    installer.exitCode = result;
    return ResultOf(installer, result == 0);
  }

 private:
  LogFile& log_;
  platform::Platform& machine_;
  std::wstring logFolder_;
  VendorLinks links_;
};

}  // namespace

std::unique_ptr<BuiltInInstallers> MakeBuiltInInstallers(const EngineContext& context, platform::Platform& machine,
                                                         const std::wstring& setupDirectory,
                                                         const std::wstring& variablesListFileName) {
  return std::make_unique<ComponentBuiltIns>(context.Values(), machine, context.logFolder, setupDirectory,
                                             variablesListFileName);
}
