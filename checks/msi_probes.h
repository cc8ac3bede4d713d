// Windows Installer facts: product states, install folders and the installer's own version.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/windows_installer.h"

class LogFile;

// Installed for this machine or for another user; logs "<name> is installed." or "... is not installed.".
bool MsiProductInstalled(LogFile& log, platform::WindowsInstaller& installer, const std::wstring& productCode,
                         const std::wstring& displayName);
// The product's "InstallLocation"; none when Windows Installer has no such value.
std::optional<std::wstring> MsiInstallLocation(platform::WindowsInstaller& installer, const std::wstring& productCode);
// Any of the products installed for this user or the machine (another user's does not count).
bool AnyProductInstalled(platform::WindowsInstaller& installer, const std::vector<std::wstring>& productCodes);
// Windows Installer 4.5, or any major version above 4.
bool WindowsInstallerVersionCheck(LogFile& log, platform::WindowsInstaller& installer);
