#include "definition/product_catalog.h"

#include "core/localization.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/prompts.h"
#include "platform/text.h"

namespace {

void Tell(DefinitionContext& context, const std::wstring& message, bool log) {
  if (log) context.log.WriteLine(message);
  if (context.silent) return;
  ShowPlainMessage(context.prompts, context.localization, message);
}

std::wstring Text(DefinitionContext& context, UINT id, const std::vector<std::wstring>& args) {
  return context.localization ? context.localization->Message(id, args) : std::wstring();
}

}  // namespace

bool IsExcludedDefinitionName(const std::wstring& fileName) {
  std::wstring lower = text::ToLower(fileName);
  return text::Contains(lower, L"variableslist") || text::Contains(lower, L"proxyoverride") ||
         text::Contains(lower, L"iucomponentversioninfo");
}

DefinitionLoad LoadDefinitionDocument(XmlDocument& doc, DefinitionContext& context) {
  HRESULT created = S_OK;
  if (!doc.Create(created)) {
    context.log.Log(L"Creating the XML parser failed with error %#X", created);
    return DefinitionLoad::Unreadable;
  }

  std::wstring path;
  if (!context.definitionFileName.empty()) {
    path = context.setupDirectory + context.definitionFileName;
    if (!platform::FileExists(path)) {
      Tell(context, Text(context, 50107, {path}), true);
      return DefinitionLoad::NotFound;
    }
  } else {
    WIN32_FIND_DATAW entry;
    platform::FindHandle search(FindFirstFileW((context.setupDirectory + L"*.xml").c_str(), &entry));
    if (search) {
      do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (IsExcludedDefinitionName(entry.cFileName)) continue;
        context.definitionFileName = entry.cFileName;
        break;
      } while (FindNextFileW(search.get(), &entry));
    }
    if (context.definitionFileName.empty()) {
      Tell(context, Text(context, 50106, {}), true);
      return DefinitionLoad::NotFound;
    }
    path = context.setupDirectory + context.definitionFileName;
  }

  context.log.Log(L"Trying to load %s", path);
  HRESULT status = S_OK;
  bool parsed = doc.Load(path, &status);
  if (FAILED(status)) {
    context.log.Log(L"Loading %s failed with error code %d", path, status);
    if (!context.silent) Tell(context, Text(context, 50108, {path, std::to_wstring(static_cast<long>(status))}), false);
    return DefinitionLoad::Unreadable;
  }
  if (!parsed) {
    // Without this line an administrator would not know why the run stopped.
    context.log.Log(L"%s could not be parsed at line %d: %s", path, static_cast<int>(doc.ErrorLine()),
                    doc.ErrorReason());
    return DefinitionLoad::Invalid;
  }
  return DefinitionLoad::Loaded;
}

bool LoadProducts(const XmlDocument& doc, DefinitionContext& context, ProductCatalog& catalog) {
  catalog.clear();
  std::vector<XmlNode> elements;
  if (doc.SelectAll(L"//Product", elements) == XmlQuery::Failed) {
    context.log.Log(L"Product node(s) not found in %s", context.definitionFileName);
    return false;
  }
  catalog.reserve(elements.size());
  const ReadContext values{context.log, context.properties, context.localization};
  for (const XmlNode& element : elements)
    catalog.push_back(std::make_shared<Product>(element, values, context.setupDirectory));
  if (catalog.empty()) context.log.Log(L"%s holds no Product element; there is nothing to set up", context.definitionFileName);
  return !catalog.empty();
}
