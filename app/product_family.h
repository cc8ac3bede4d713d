// The product family: the vendor's products registered under one key of the machine, which an
// uninstall consults before it removes what the others still need.
#pragma once

#include <string>
#include <vector>

#include "definition/product.h"

class LogFile;
class PropertyMap;
namespace platform {
struct Platform;
}

class ProductFamily {
 public:
  // platformText: the first product's "Platform"; the key also depends on "ProductCulture".
  ProductFamily(LogFile& log, PropertyMap& properties, platform::Platform& machine, std::wstring platformText);

  // "Software\ZEM_Halvern", then "\<platform>" when one is named, then "\Canada" for en-CA products.
  std::wstring Key() const;
  // Whether a member other than productCode is installed; sets "Tier1_Installed".
  bool MemberInstalled(const std::wstring& productCode);
  // Whether every registered member is a product of this definition; false when the key is missing.
  bool AllMembersListed(const ProductCatalog& products);

 private:
  // Subkey names of the family key; false (logged) when the key cannot be opened.
  bool Members(std::vector<std::wstring>& members);

  LogFile& log_;
  PropertyMap& properties_;
  platform::Platform& machine_;
  std::wstring platformText_;
};
