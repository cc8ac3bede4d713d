// Open-ended questions of the definition: is a Windows Installer product installed, and what
// does a registry value hold. Each answer lands in a property named by the definition.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "checks/check_context.h"
#include "platform/registry.h"

class MsiRegistryChecker {
 public:
  // keepExisting: MSI checks leave a property that already has a value alone; registry checks
  // end their whole walk at the first such property.
  MsiRegistryChecker(CheckContext& context, bool keepExisting) : context_(context), keepExisting_(keepExisting) {}

  void RunMsiChecks();
  void CheckMsiProduct(const XmlNode& check);
  void RunRegistryChecks();
  // The same walk over groups selected beforehand ("//RegistryChecks" of the definition).
  void RunRegistryChecks(const std::vector<XmlNode>& groups);

 private:
  CheckContext& context_;
  bool keepExisting_;
};

// Reads one value of "HKLM", "HKCU", "HKCR" or "HKU" (any case; anything else is the local
// machine). A number value comes back as signed decimal text; a value that does not fit in
// maxBytes (terminator included) is not read.
bool ReadRegistryValue(platform::Registry& registry, const std::wstring& hive, const std::wstring& subkey,
                       const std::wstring& valueName, std::wstring& out, size_t maxBytes, bool view64);
