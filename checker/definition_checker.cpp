#include "checker/definition_checker.h"

#include "checker/definition_schema.h"
#include "definition/product_catalog.h"
#include "platform/text.h"

namespace {

std::wstring FolderOf(const std::wstring& path) {
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  std::wstring folder = n > 0 && n < MAX_PATH * 4 ? std::wstring(full, n) : path;
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

DefinitionChecker::DefinitionChecker(const CheckTarget& target, Report& report) : target_(target), report_(report) {
  // Values are substituted as in a run from the distribution folder; everything else stays a token.
  properties_.Set(L"[WORKINGDIRECTORY]", target.distribution.empty() ? FolderOf(target.path) : target.distribution);
}

void DefinitionChecker::Add(const XmlNode& at, const wchar_t* code, const std::wstring& text) {
  report_.Add(lines_.LineOf(at), code, text);
}

void DefinitionChecker::Run() {
  HRESULT created = S_OK;
  if (!doc_.Create(created)) {
    report_.Add(0, L"SC1000", text::Format(L"the XML parser (MSXML 6) cannot be created: error %#X", created));
    return;
  }
  if (!lines_.Load(target_.path)) {
    report_.Add(0, L"SC1000", L"the file cannot be opened: " + text::Trim(text::SystemMessage(GetLastError())));
    return;
  }
  HRESULT status = S_OK;
  if (!doc_.Load(target_.path, &status)) {
    // Some MSXML builds place no parse error; the tag scan finds where the tags stop matching.
    long line = doc_.ErrorLine() > 0 ? doc_.ErrorLine() : lines_.MismatchLine();
    std::wstring reason = text::Trim(doc_.ErrorReason());
    report_.Add(line, L"SC1000",
                L"the file is not well-formed XML" + (reason.empty() || reason == L"error" ? L"" : L": " + reason));
    return;
  }

  CheckStructure(*this);
  // Variables lists and the culture file hold configuration values, not products.
  std::wstring name = FileNameOf(target_.path);
  if (IsExcludedDefinitionName(name) || text::EqualsNoCase(name, L"ZIVaroradaZadu.xml")) return;
  CheckNumbering(*this);
  CheckPackages(*this);
  CheckValues(*this);
}

std::vector<XmlNode> AllElements(const XmlDocument& doc) {
  std::vector<XmlNode> all;
  doc.SelectAll(L"//*", all);
  return all;
}

std::vector<XmlNode> ChildElements(const XmlNode& node) {
  std::vector<XmlNode> children;
  node.SelectAll(L"*", children);
  return children;
}

bool RawChildText(const XmlNode& node, const std::wstring& child, std::wstring& text) {
  text.clear();
  XmlNode found;
  if (node.SelectSingle(child, found) != XmlQuery::Found) return false;
  found.Text(text);
  return true;
}
