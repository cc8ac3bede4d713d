#include "app/mode_detection.h"

#include "app/install_directory_resolver.h"
#include "app/product_family.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "platform/windows_installer.h"

ModeDetection::ModeDetection(LogFile& log, PropertyMap& properties, platform::WindowsInstaller& installer,
                             ProductFamily& family, const InstallDirectoryResolver& directories)
    : log_(log), properties_(properties), installer_(installer), family_(family), directories_(directories) {}

ModeDecision ModeDetection::Detect(uint32_t asked, const std::wstring& productCode,
                                   const std::wstring& oldProductCode) {
  ModeDecision decision;
  auto choose = [&](uint32_t bit, const wchar_t* line) {
    decision.flags |= bit;
    log_.WriteLine(line);
  };
  // The folder of a product, or the default when Windows Installer knows none.
  auto folderOf = [&](const std::wstring& code) {
    std::wstring directory;
    if (code.empty() || !directories_.Resolve(code, directory) || directory.empty()) directory = directories_.Default();
    return directory;
  };

  if (platform::IsInstalledState(installer_.QueryProductState(productCode))) {
    if (asked & mode::Repair) {
      choose(mode::Repair, L"Repair mode detected");
      decision.modeText = L"Repair";
    }
    if (asked & mode::Upgrade) {
      choose(mode::Upgrade, L"Upgrade mode detected");
      decision.modeText = L"Upgrade";
    }
    if ((asked & mode::Uninstall) || asked == mode::Default) {
      choose(mode::Uninstall, L"Uninstall mode detected");
      family_.MemberInstalled(productCode);
      decision.modeText += L"Uninstall";
    }
    decision.installDirectory = folderOf(productCode);
  } else {
    if (asked & mode::Upgrade) {
      choose(mode::Upgrade, L"Upgrade mode detected");
      decision.modeText = L"Upgrade";
      decision.installDirectory = folderOf(oldProductCode);
    }
    if ((asked & (mode::Install | mode::Uninstall)) || asked == mode::Default) {
      choose(mode::Install, L"Install mode detected");
      decision.modeText = L"Install";
    }
  }

  properties_.Set(L"Install", (decision.flags & mode::Install) ? L"True" : L"False");
  properties_.Set(L"Uninstall", (decision.flags & mode::Uninstall) ? L"True" : L"False");
  properties_.Set(L"Repair", (decision.flags & mode::Repair) ? L"True" : L"False");
  properties_.Set(L"Upgrade", (decision.flags & mode::Upgrade) ? L"True" : L"False");
  properties_.Set(L"Mode", decision.modeText);
  return decision;
}
