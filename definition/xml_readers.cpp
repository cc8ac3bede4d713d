#include "definition/xml_readers.h"

#include "core/log_file.h"
#include "definition/substitute.h"
#include "platform/text.h"

AttributeReader::AttributeReader(const XmlNode& element, const ReadContext& context)
    : element_(element), context_(context), count_(element.AttributeCount()) {}

std::wstring AttributeReader::Get(const std::wstring& name) const {
  std::wstring value;
  if (!element_.Attribute(name, value)) return {};
  if (!value.empty()) Substitute(value, context_);
  return value;
}

ElementTextReader::ElementTextReader(const XmlNode& node, const ReadContext& context)
    : node_(node), context_(context) {}

bool ElementTextReader::GetText(const std::wstring& path, std::wstring& out, bool raw) const {
  out.clear();
  XmlNode found;
  XmlQuery query = node_.SelectSingle(path, found);
  if (query != XmlQuery::Found) {
    int status = query == XmlQuery::NoMatch ? 1 : static_cast<int>(E_FAIL);
    context_.log.Log(L"Error %d getting %s text", status, path);
    return false;
  }
  HRESULT hr = S_OK;
  if (!found.Text(out, &hr)) {
    context_.log.Log(L"Error %d getting %s text", static_cast<int>(hr), path);
    return false;
  }
  if (!out.empty() && !raw) Substitute(out, context_);
  return true;
}

void ForEachNumberedChild(const XmlNode& parent, const std::wstring& pattern,
                          const std::function<bool(int number, const XmlNode& child)>& visit) {
  for (int n = 1;; ++n) {
    XmlNode child;
    if (parent.SelectSingle(text::Format(pattern, n), child) != XmlQuery::Found) return;
    if (!visit(n, child)) return;
  }
}

std::wstring QueryWithValue(const std::wstring& pattern, const std::wstring& value, LogFile& log) {
  std::wstring literal;
  if (!XPathLiteral(value, literal)) {
    log.Log(L"%s holds both kinds of quote and cannot be looked up", value);
    return {};
  }
  return text::Format(pattern, literal);
}
