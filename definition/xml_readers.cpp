#include "definition/xml_readers.h"

#include <cwctype>
#include <map>
#include <vector>

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

namespace {

bool IsXmlName(const std::wstring& s, size_t from) {
  if (s.size() <= from) return false;
  for (size_t i = from; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (!iswalnum(c) && c != L'_' && c != L'-' && c != L'.') return false;
  }
  return true;
}

// Splits a pattern of the form Step[Key="%d"] (Key a child element or an @attribute); false for
// any other form.
bool SplitNumberedPattern(const std::wstring& pattern, std::wstring& step, std::wstring& key) {
  static const std::wstring kTail = L"=\"%d\"]";
  size_t open = pattern.find(L'[');
  if (open == std::wstring::npos || !pattern.ends_with(kTail) || open + kTail.size() >= pattern.size()) return false;
  step = pattern.substr(0, open);
  key = pattern.substr(open + 1, pattern.size() - kTail.size() - open - 1);
  return (step == L"*" || IsXmlName(step, 0)) && IsXmlName(key, key.starts_with(L'@') ? 1 : 0);
}

// The number a key text may stand for: plain decimal digits without a leading zero that fit an
// int; 0 for anything else.
int CandidateNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 9 || text[0] == L'0') return 0;
  int n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return 0;
    n = n * 10 + (c - L'0');
  }
  return n;
}

void WalkByQueryPerNumber(const XmlNode& parent, const std::wstring& pattern,
                          const std::function<bool(int number, const XmlNode& child)>& visit) {
  for (int n = 1;; ++n) {
    XmlNode child;
    if (parent.SelectSingle(text::Format(pattern, n), child) != XmlQuery::Found) return;
    if (!visit(n, child)) return;
  }
}

}  // namespace

// One query over the group gives the children that carry a key at all, in document order; each
// child's key texts name the numbers it may hold. A query per number over the whole group would
// make the walk quadratic in the size of the group.
void ForEachNumberedChild(const XmlNode& parent, const std::wstring& pattern,
                          const std::function<bool(int number, const XmlNode& child)>& visit) {
  std::wstring step, key;
  std::vector<XmlNode> candidates;
  if (!SplitNumberedPattern(pattern, step, key) ||
      parent.SelectAll(step + L"[" + key + L"]", candidates) == XmlQuery::Failed) {
    WalkByQueryPerNumber(parent, pattern, visit);
    return;
  }
  const bool attributeKey = key.starts_with(L'@');
  std::map<int, XmlNode> firstByNumber;
  std::vector<std::wstring> texts;
  for (const XmlNode& candidate : candidates) {
    texts.clear();
    std::wstring value;
    if (attributeKey) {
      if (candidate.Attribute(key.substr(1), value)) texts.push_back(value);
    } else {
      std::vector<XmlNode> keys;
      candidate.SelectAll(key, keys);
      for (const XmlNode& k : keys)
        if (k.Text(value)) texts.push_back(value);
    }
    for (const std::wstring& t : texts) {
      int n = CandidateNumber(t);
      if (n == 0 || firstByNumber.count(n)) continue;  // the first child with a number keeps it
      // The DOM's text may be trimmed where the predicate compares the text as written, so the
      // pattern itself decides, asked of this one child.
      XmlNode self;
      if (candidate.SelectSingle(L"self::" + text::Format(pattern, n), self) != XmlQuery::Found)
        continue;
      firstByNumber.emplace(n, candidate);
    }
  }
  for (int n = 1;; ++n) {
    auto found = firstByNumber.find(n);
    if (found == firstByNumber.end() || !visit(n, found->second)) return;
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
