// Run-mode detection: what the run does, from the first product's state and what was asked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class LogFile;
class PropertyMap;
class ProductFamily;
class InstallDirectoryResolver;
namespace platform {
class WindowsInstaller;
}

struct ModeDecision {
  uint32_t flags = 0;  // mode bits decided; none when nothing fits (a repair of an absent product)
  std::wstring modeText;
  std::optional<std::wstring> installDirectory;  // set when the mode decides the folder
};

class ModeDetection {
 public:
  ModeDetection(LogFile& log, PropertyMap& properties, platform::WindowsInstaller& installer, ProductFamily& family,
                const InstallDirectoryResolver& directories);

  // Logs each mode chosen, checks the family on uninstall and publishes "Install", "Uninstall",
  // "Repair", "Upgrade" and "Mode".
  ModeDecision Detect(uint32_t asked, const std::wstring& productCode, const std::wstring& oldProductCode);

 private:
  LogFile& log_;
  PropertyMap& properties_;
  platform::WindowsInstaller& installer_;
  ProductFamily& family_;
  const InstallDirectoryResolver& directories_;
};
