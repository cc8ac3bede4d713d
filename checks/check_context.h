// What every check needs from the run: its log, properties, definition and the machine.
#pragma once

#include <string>

#include "definition/product.h"
#include "definition/read_context.h"
#include "definition/xml_document.h"
#include "platform/platform.h"

class LogFile;
class Localization;
class PropertyMap;

struct CheckContext {
  CheckContext(LogFile& l, PropertyMap& p, const XmlDocument& d, platform::Platform& m)
      : log(l), properties(p), document(d), machine(m) {}

  LogFile& log;
  PropertyMap& properties;
  const XmlDocument& document;
  platform::Platform& machine;
  const ProductCatalog* products = nullptr;  // the definition's products, in catalog order
  Localization* localization = nullptr;      // culture texts of the messages; none in some tests
  bool silent = false;
  platform::Prompts* prompts = nullptr;      // the checks' message boxes; the machine's own when none
  std::wstring productDisplayName;           // caption of the checks' message boxes

  platform::Prompts& Prompts() const { return prompts ? *prompts : machine.prompts; }

  // What the definition's values are read and substituted with.
  ReadContext Values() const { return {log, properties, localization}; }
};
