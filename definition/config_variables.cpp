#include "definition/config_variables.h"

#include "core/log_file.h"
#include "definition/xml_document.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/text.h"

std::map<std::wstring, std::wstring> ReadConfigVariables(const ReadContext& values, const std::wstring& variablesListPath,
                                                         std::map<std::wstring, std::wstring> settings) {
  if (!platform::FileExists(variablesListPath)) return settings;
  XmlDocument doc;
  HRESULT status = S_OK;
  if (!doc.Create(status)) {
    values.log.Log(L"Creating instance for %s COM error: %#X", variablesListPath, status);
    return settings;
  }
  if (!doc.Load(variablesListPath)) return settings;
  for (auto& [name, value] : settings) {
    std::wstring literal;
    if (!XPathLiteral(name, literal)) continue;
    XmlNode node;
    if (doc.SelectSingle(L"//ConfigVariable[@Name=" + literal + L"]", node) != XmlQuery::Found) continue;
    std::wstring listed = text::Trim(AttributeReader(node, values).Get(L"value"));
    if (!listed.empty()) value = listed;
  }
  return settings;
}
