#include "definition/product.h"

#include "core/localization.h"
#include "core/log_file.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/prompts.h"
#include "platform/text.h"
#include "platform/windows_installer.h"

Product::Product(const XmlNode& element, const ReadContext& context, const std::wstring& setupDirectory)
    : log(context.log), element_(element) {
  AttributeReader reader(element, context);
  Resources = reader.Get(L"Resources");
  GUID = reader.Get(L"GUID");
  QVDirectory = reader.Get(L"QVDirectory");
  RootDirectory = reader.Get(L"RootDirectory");
  Platform = reader.Get(L"Platform");
  ShortName = reader.Get(L"ShortName");
  OldGUID = reader.Get(L"OldGUID");
  Dependency = reader.Get(L"Dependency");
  Name = reader.Get(L"Name");
  ReadMe = reader.Get(L"ReadMe");
  NETFramework = reader.Get(L"NETFramework");
  if (NETFramework.empty()) NETFramework = kDefaultDotNetVersion;
  FindWorkingDirectory(context, setupDirectory);
}

void Product::FindWorkingDirectory(const ReadContext& context, const std::wstring& setupDirectory) {
  std::wstring query = QueryWithValue(L"PackageFileGroup/PackageFile[ShortName=%s]", ShortName, log);
  XmlNode package;
  XmlQuery found = query.empty() ? XmlQuery::NoMatch : element_.SelectSingle(query, package);
  if (found != XmlQuery::Found) {
    WorkingDirectory = setupDirectory;
    HRESULT status = found == XmlQuery::NoMatch ? S_FALSE : E_FAIL;
    log.Log(L"Error %#X selecting %s from product xml. Using %s as working directory", status, query,
            WorkingDirectory);
    return;
  }
  std::wstring location;
  ElementTextReader(package, context).GetText(L"Location", location);
  if (location.empty()) return;
  size_t slash = location.rfind(L'\\');
  if (slash != std::wstring::npos) {
    WorkingDirectory = location.substr(0, slash);
  } else {
    log.Log(L"%s is not a full path.", location);
    WorkingDirectory = setupDirectory;
  }
}

bool Product::LoadResources(const ResourceContext& context) {
  if (resourceLibrary_) return true;
  std::wstring path = context.uninstallOrRepair ? context.setupDirectory + Resources
                                                : WorkingDirectory + L"\\" + Resources;
  if (!platform::FileExists(path)) {
    log.Log(L"%s not found.", path);
    if (!context.silent && context.prompts) {
      std::wstring message = context.localization ? context.localization->Message(50109, {path}) : std::wstring();
      ShowPlainMessage(*context.prompts, context.localization, message);
    }
    return false;
  }
  resourceLibrary_.reset(LoadLibraryExW(path.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!resourceLibrary_) {
    log.WriteLine(path + L" not loaded.");
    return false;
  }
  return true;
}

bool Product::IsDependencyInstalled(const ProductCatalog& catalog, platform::WindowsInstaller& installer) const {
  if (Dependency.empty()) return true;
  for (const auto& other : catalog) {
    if (!text::EqualsNoCase(other->ShortName, Dependency)) continue;
    return platform::IsInstalledState(installer.QueryProductState(other->GUID));
  }
  return true;
}

std::wstring Product::ResourceString(UINT id) const {
  std::wstring out;
  Localization::ReadString(resourceLibrary_.get(), id, out);
  return out;
}
