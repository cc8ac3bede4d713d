// Finding and loading the product definition, and building the product catalog from it.
#pragma once

#include <string>

#include "definition/product.h"
#include "definition/xml_document.h"

class LogFile;
class Localization;
class PropertyMap;
namespace platform {
class Prompts;
}

struct DefinitionContext {
  LogFile& log;
  const PropertyMap& properties;    // what definition values substitute

  platform::Prompts& prompts;
  Localization* localization;
  bool silent;
  std::wstring setupDirectory;      // with its trailing backslash
  std::wstring definitionFileName;  // in: from the command line; out: the file chosen
};

enum class DefinitionLoad {
  Loaded,
  NotFound,    // the named file does not exist, or no usable "*.xml" lies beside setup.exe
  Unreadable,  // the file or the XML parser cannot be opened
  Invalid,     // the file does not parse
};

// Chooses the definition file beside setup.exe and loads it into doc.
DefinitionLoad LoadDefinitionDocument(XmlDocument& doc, DefinitionContext& context);
// One Product per "//Product" element, in document order; false (logged) when there is none.
bool LoadProducts(const XmlDocument& doc, DefinitionContext& context, ProductCatalog& catalog);
// Lower-cased name checks that keep the variables lists and other setup files out of the search.
bool IsExcludedDefinitionName(const std::wstring& fileName);
