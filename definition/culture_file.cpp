#include "definition/culture_file.h"

#include "core/log_file.h"
#include "definition/xml_document.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

std::wstring ReadCultureVariable(const ReadContext& context, const XmlDocument& doc, const std::wstring& name,
                                 const std::wstring& path) {
  XmlNode node;
  std::wstring value;
  if (doc.SelectSingle(L"//ConfigVariable[@Name=\"" + name + L"\"]", node) == XmlQuery::Found)
    value = AttributeReader(node, context).Get(L"value");
  // The culture names a file beside setup.exe: an empty or path-like value must not pick
  // "setup_.dll" or a library from elsewhere, so it counts as missing.
  if (!Localization::IsCultureName(value)) {
    context.log.Log(L"%s not found in %s. Defaulting to %s", name, path, L"en-US");
    value = L"en-US";
  }
  return value;
}

}  // namespace

CultureNames ReadCultureNames(const ReadContext& context, const std::wstring& setupDirectory,
                              const std::wstring& variablesListFileName) {
  std::wstring path = setupDirectory + L"ZIVaroradaZadu.xml";
  if (!platform::FileExists(path)) path = setupDirectory + variablesListFileName;

  CultureNames names;
  XmlDocument doc;
  HRESULT status = S_OK;
  if (!doc.Create(status)) {
    context.log.Log(L"Creating instance for %s COM error: %#X", path, status);
    return names;
  }
  if (!doc.Load(path)) {
    names.culture = L"en-US";
    names.libraryFileName = text::Format(L"setup_%s.dll", names.culture);
    return names;
  }
  names.culture = ReadCultureVariable(context, doc, L"{CultureName}", path);
  names.libraryFileName = text::Format(L"setup_%s.dll", names.culture);
  names.productCulture = ReadCultureVariable(context, doc, L"{ProductCultureName}", path);
  return names;
}
