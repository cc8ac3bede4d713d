// One product of the definition: its identity, its outcome and its resource library.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "definition/read_context.h"
#include "definition/xml_document.h"
#include "platform/handles.h"

class LogFile;
class Localization;
namespace platform {
class Prompts;
class WindowsInstaller;
}  // namespace platform

// The .NET Framework version a product asks for when its definition names none.
constexpr wchar_t kDefaultDotNetVersion[] = L"4.7.2";

class Product;
using ProductCatalog = std::vector<std::shared_ptr<Product>>;

class Product {
 public:
  // Reads the attributes (substituted) and works out the folder of the main package.
  Product(const XmlNode& element, const ReadContext& context, const std::wstring& setupDirectory);

  struct ResourceContext {
    bool uninstallOrRepair = false;
    bool silent = false;
    std::wstring setupDirectory;
    platform::Prompts* prompts = nullptr;
    Localization* localization = nullptr;
  };
  bool LoadResources(const ResourceContext& context);
  bool IsDependencyInstalled(const ProductCatalog& catalog, platform::WindowsInstaller& installer) const;

  // A numbered text of the product's resource library; empty when missing.
  std::wstring ResourceString(UINT id) const;
  HMODULE ResourceLibrary() const { return resourceLibrary_.get(); }
  // Unloads the resource library (uninstall runs, before the finalize groups); its texts are gone after.
  void FreeResourceLibrary() { resourceLibrary_.reset(); }
  const XmlNode& Element() const { return element_; }

  LogFile& log;
  bool Succeeded = false;
  std::wstring Resources, GUID, QVDirectory, RootDirectory, Platform, ShortName, OldGUID;
  int ResultCode = -1;
  int ExitCode = -1;
  std::wstring WorkingDirectory;
  std::wstring Dependency, Name;
  std::wstring ReadMe, NETFramework;

 private:
  void FindWorkingDirectory(const ReadContext& context, const std::wstring& setupDirectory);

  XmlNode element_;
  platform::Library resourceLibrary_;
};
