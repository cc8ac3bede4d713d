#include "definition/xml_document.h"

using platform::Bstr;
using platform::ComPtr;

namespace {

// msxml2.h of mingw-w64 carries no usable interface ids, so the two we need are spelt out.
const IID kIXMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIXMLDOMNode = {0x2933BF80, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

VARIANT BoolVariant(bool v) {
  VARIANT var;
  VariantInit(&var);
  var.vt = VT_BOOL;
  var.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return var;
}

XmlQuery SelectSingleOn(IXMLDOMNode* from, const std::wstring& path, XmlNode& out) {
  out = XmlNode();
  if (!from) return XmlQuery::Failed;
  Bstr query(path.c_str());
  ComPtr<IXMLDOMNode> node;
  HRESULT hr = from->selectSingleNode(query.get(), node.put());
  if (FAILED(hr)) return XmlQuery::Failed;
  if (hr == S_FALSE || !node) return XmlQuery::NoMatch;
  out = XmlNode(std::move(node));
  return XmlQuery::Found;
}

XmlQuery SelectAllOn(IXMLDOMNode* from, const std::wstring& path, std::vector<XmlNode>& out) {
  out.clear();
  if (!from) return XmlQuery::Failed;
  Bstr query(path.c_str());
  ComPtr<IXMLDOMNodeList> list;
  if (FAILED(from->selectNodes(query.get(), list.put())) || !list) return XmlQuery::Failed;
  long count = 0;
  if (FAILED(list->get_length(&count))) return XmlQuery::Failed;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> node;
    if (SUCCEEDED(list->get_item(i, node.put())) && node) out.emplace_back(std::move(node));
  }
  return out.empty() ? XmlQuery::NoMatch : XmlQuery::Found;
}

// ProhibitDTD is not honoured by every MSXML (Wine's expands internal entities, so a few lines
// can grow without bound), so a document type declaration is refused before the parser sees it.
const wchar_t kDoctypeRefused[] = L"A document type declaration is not allowed";

// Finds the first "<!DOCTYPE" in text fed piece by piece. NUL code units are skipped so that
// UTF-16 and UTF-32 bytes read as their ASCII characters.
class DoctypeScanner {
 public:
  // True once the marker has been seen; line() is then its 1-based line.
  template <typename Char>
  bool Feed(const Char* text, size_t size) {
    static const char kMarker[] = "<!DOCTYPE";
    const size_t markerSize = sizeof(kMarker) - 1;
    for (size_t i = 0; i < size && !found_; ++i) {
      unsigned c = static_cast<unsigned>(text[i]);
      if (sizeof(Char) == 1) c &= 0xFF;
      if (c == 0) continue;
      if (c == '\n') ++line_;
      if (c < 0x80 && towupper(static_cast<wint_t>(c)) == static_cast<unsigned char>(kMarker[matched_])) {
        found_ = ++matched_ == markerSize;
      } else {
        matched_ = c == '<' ? 1 : 0;
      }
    }
    return found_;
  }
  long line() const { return line_; }

 private:
  long line_ = 1;
  size_t matched_ = 0;
  bool found_ = false;
};

// The line of a declaration in the file, 0 when there is none or the file cannot be read (the
// loader then reports why).
long FileDoctypeLine(const std::wstring& path) {
  platform::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  DoctypeScanner scanner;
  char buffer[64 * 1024];
  DWORD read = 0;
  bool found = false;
  while (!found && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    found = scanner.Feed(buffer, read);
  return found ? scanner.line() : 0;
}

}  // namespace

bool XmlNode::Attribute(const std::wstring& name, std::wstring& value) const {
  value.clear();
  if (!node_) return false;
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(node_->get_attributes(attributes.put())) || !attributes) return false;
  Bstr attributeName(name.c_str());
  ComPtr<IXMLDOMNode> item;
  if (attributes->getNamedItem(attributeName.get(), item.put()) != S_OK || !item) return false;
  Bstr t;
  if (FAILED(item->get_text(t.put()))) return false;
  value = t.str();
  return true;
}

bool XmlNode::Text(std::wstring& value, HRESULT* status) const {
  value.clear();
  if (!node_) {
    if (status) *status = E_POINTER;
    return false;
  }
  Bstr t;
  HRESULT hr = node_->get_text(t.put());
  if (status) *status = hr;
  if (FAILED(hr)) return false;
  value = t.str();
  return true;
}

std::wstring XmlNode::Name() const {
  if (!node_) return {};
  Bstr name;
  if (FAILED(node_->get_nodeName(name.put()))) return {};
  return name.str();
}

long XmlNode::AttributeCount() const {
  if (!node_) return 0;
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(node_->get_attributes(attributes.put())) || !attributes) return 0;
  long count = 0;
  if (FAILED(attributes->get_length(&count))) return 0;
  return count;
}

XmlQuery XmlNode::SelectSingle(const std::wstring& path, XmlNode& out) const {
  return SelectSingleOn(node_.get(), path, out);
}

XmlQuery XmlNode::SelectAll(const std::wstring& path, std::vector<XmlNode>& out) const {
  return SelectAllOn(node_.get(), path, out);
}

bool XmlNode::Remove(HRESULT* status) {
  HRESULT hr = E_POINTER;
  ComPtr<IXMLDOMNode> parent;
  if (node_) {
    hr = node_->get_parentNode(parent.put());
    if (hr == S_FALSE || (SUCCEEDED(hr) && !parent)) hr = E_UNEXPECTED;  // a detached node
  }
  if (SUCCEEDED(hr)) {
    ComPtr<IXMLDOMNode> removed;
    hr = parent->removeChild(node_.get(), removed.put());
  }
  if (status) *status = hr;
  return SUCCEEDED(hr);
}

bool XmlDocument::Create(HRESULT& status) {
  CLSID clsid;
  status = CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid);
  if (FAILED(status)) return false;
  status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIXMLDOMDocument2, doc_.put_void());
  if (FAILED(status) || !doc_) {
    doc_.reset();
    if (SUCCEEDED(status)) status = E_NOINTERFACE;
    return false;
  }
  doc_->put_async(VARIANT_FALSE);
  doc_->put_validateOnParse(VARIANT_FALSE);
  doc_->put_resolveExternals(VARIANT_FALSE);
  // A definition must never make the parser fetch or expand anything from outside.
  Bstr prohibit(L"ProhibitDTD");
  doc_->setProperty(prohibit.get(), BoolVariant(true));
  Bstr language(L"SelectionLanguage");
  VARIANT xpath;
  VariantInit(&xpath);
  xpath.vt = VT_BSTR;
  xpath.bstrVal = SysAllocString(L"XPath");
  doc_->setProperty(language.get(), xpath);
  VariantClear(&xpath);
  return true;
}

void XmlDocument::ReadParseError() {
  reason_.clear();
  line_ = 0;
  ComPtr<IXMLDOMParseError> error;
  if (FAILED(doc_->get_parseError(error.put())) || !error) return;
  Bstr reason;
  if (SUCCEEDED(error->get_reason(reason.put()))) reason_ = reason.str();
  while (!reason_.empty() && (reason_.back() == L'\n' || reason_.back() == L'\r')) reason_.pop_back();
  error->get_line(&line_);
}

bool XmlDocument::RefuseDoctype(long line) {
  // Leaves no half-trusted content behind for a caller that ignores the answer.
  Bstr empty(L"");
  VARIANT_BOOL ignored = VARIANT_FALSE;
  doc_->loadXML(empty.get(), &ignored);
  reason_ = kDoctypeRefused;
  line_ = line;
  return false;
}

bool XmlDocument::HasDoctype() const {
  ComPtr<IXMLDOMDocumentType> type;
  return SUCCEEDED(doc_->get_doctype(type.put())) && type;
}

bool XmlDocument::Load(const std::wstring& path, HRESULT* status) {
  if (status) *status = E_POINTER;
  if (!doc_) return false;
  if (long line = FileDoctypeLine(path)) {
    if (status) *status = S_FALSE;
    return RefuseDoctype(line);
  }
  VARIANT file;
  VariantInit(&file);
  file.vt = VT_BSTR;
  file.bstrVal = SysAllocString(path.c_str());
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc_->load(file, &ok);
  VariantClear(&file);
  if (status) *status = hr;
  if (FAILED(hr) || ok != VARIANT_TRUE) {
    ReadParseError();
    return false;
  }
  if (HasDoctype()) {
    if (status) *status = S_FALSE;
    return RefuseDoctype(0);
  }
  return true;
}

bool XmlDocument::LoadText(const std::wstring& xml) {
  if (!doc_) return false;
  DoctypeScanner scanner;
  if (scanner.Feed(xml.data(), xml.size())) return RefuseDoctype(scanner.line());
  Bstr source(xml.c_str());
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc_->loadXML(source.get(), &ok);
  if (FAILED(hr) || ok != VARIANT_TRUE) {
    ReadParseError();
    return false;
  }
  if (HasDoctype()) return RefuseDoctype(0);
  return true;
}

bool XmlDocument::Save(const std::wstring& path, HRESULT* status) {
  if (status) *status = E_POINTER;
  if (!doc_) return false;
  VARIANT file;
  VariantInit(&file);
  file.vt = VT_BSTR;
  file.bstrVal = SysAllocString(path.c_str());
  HRESULT hr = doc_->save(file);
  VariantClear(&file);
  if (status) *status = hr;
  return SUCCEEDED(hr);
}

XmlQuery XmlDocument::SelectSingle(const std::wstring& path, XmlNode& out) const {
  return SelectSingleOn(doc_.get(), path, out);
}

XmlQuery XmlDocument::SelectAll(const std::wstring& path, std::vector<XmlNode>& out) const {
  return SelectAllOn(doc_.get(), path, out);
}

XmlNode XmlDocument::Root() const {
  if (!doc_) return {};
  ComPtr<IXMLDOMElement> element;
  if (FAILED(doc_->get_documentElement(element.put())) || !element) return {};
  ComPtr<IXMLDOMNode> node;
  element->QueryInterface(kIXMLDOMNode, node.put_void());
  return XmlNode(std::move(node));
}

bool XPathLiteral(const std::wstring& value, std::wstring& literal) {
  if (value.find(L'"') == std::wstring::npos) {
    literal = L"\"" + value + L"\"";
    return true;
  }
  if (value.find(L'\'') == std::wstring::npos) {
    literal = L"'" + value + L"'";
    return true;
  }
  return false;
}
