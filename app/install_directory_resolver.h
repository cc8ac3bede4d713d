// Where the first product goes: the folder of an installed product, the shared client's folder
// or the default under Program Files, each ending in the product's own folder; and whether a
// folder a user typed may take it.
#pragma once

#include <string>

#include "core/platform_kind.h"

namespace platform {
struct Platform;
}

class InstallDirectoryResolver {
 public:
  // qvDirectory and rootDirectory: the first product's "QVDirectory" and "RootDirectory".
  InstallDirectoryResolver(platform::Platform& machine, std::wstring qvDirectory, std::wstring rootDirectory,
                           PlatformKind kind);

  // The product's "InstallLocation", normalized; false when Windows Installer has none.
  bool Resolve(const std::wstring& productCode, std::wstring& out) const;
  // The shared client's "InstallDir", normalized; false for Foundation products or without one.
  bool SharedClient(std::wstring& out) const;
  // Cut at the last "\<root>\" and end in the product's own folder.
  std::wstring Normalize(std::wstring path) const;
  // "<Program Files>\<QVDirectory>", or "C:\<QVDirectory>\" when that folder is unknown.
  std::wstring Default() const;
  // A fixed-drive folder (the part before the last product folder) that exists, is writable,
  // is no user's profile and, on x64, not the 64-bit Program Files; at most 130 characters.
  bool Validate(const std::wstring& path, bool x64Processor) const;

 private:
  platform::Platform& machine_;
  std::wstring qvDirectory_;
  std::wstring rootDirectory_;
  PlatformKind kind_;
};
