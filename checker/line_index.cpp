#include "checker/line_index.h"

#include "platform/handles.h"
#include "platform/text.h"

namespace {

std::wstring Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)) {
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
  }
  if (bytes.size() >= 2 && (static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)) {
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<wchar_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]));
    return text;
  }
  return text::FromUtf8(bytes);
}

bool IsNameEnd(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'/' || c == L'>'; }

}  // namespace

ElementPath PathOf(const XmlNode& element) {
  ElementPath path;
  platform::ComPtr<IXMLDOMNode> node;
  if (IXMLDOMNode* raw = element.raw()) {
    raw->AddRef();
    *node.put() = raw;
  }
  while (node) {
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT) break;
    int index = 0;
    platform::ComPtr<IXMLDOMNode> sibling;
    node->get_previousSibling(sibling.put());
    while (sibling) {
      DOMNodeType siblingType = NODE_INVALID;
      if (SUCCEEDED(sibling->get_nodeType(&siblingType)) && siblingType == NODE_ELEMENT) ++index;
      platform::ComPtr<IXMLDOMNode> previous;
      sibling->get_previousSibling(previous.put());
      sibling = std::move(previous);
    }
    path.insert(path.begin(), index);
    platform::ComPtr<IXMLDOMNode> parent;
    node->get_parentNode(parent.put());
    node = std::move(parent);
  }
  return path;
}

bool LineIndex::Load(const std::wstring& path) {
  platform::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  Scan(Decode(bytes));
  return true;
}

void LineIndex::Scan(const std::wstring& s) {
  tags_.clear();
  openNames_.clear();
  mismatch_ = 0;
  long line = 1;
  ElementPath open;               // the path of the innermost open element
  std::vector<int> children = {0};  // element children seen so far, per open level
  size_t i = 0;
  // Moves i past the first occurrence of end, counting the lines crossed.
  auto skipPast = [&](const wchar_t* end) {
    size_t at = s.find(end, i);
    size_t stop = at == std::wstring::npos ? s.size() : at + wcslen(end);
    for (; i < stop; ++i)
      if (s[i] == L'\n') ++line;
  };
  while (i < s.size()) {
    if (s[i] == L'\n') ++line;
    if (s[i] != L'<') {
      ++i;
      continue;
    }
    if (s.compare(i, 4, L"<!--") == 0) {
      skipPast(L"-->");
    } else if (s.compare(i, 9, L"<![CDATA[") == 0) {
      skipPast(L"]]>");
    } else if (s.compare(i, 2, L"<?") == 0) {
      skipPast(L"?>");
    } else if (s.compare(i, 2, L"<!") == 0) {
      skipPast(L">");
    } else if (s.compare(i, 2, L"</") == 0) {
      size_t nameEnd = i + 2;
      while (nameEnd < s.size() && !IsNameEnd(s[nameEnd])) ++nameEnd;
      std::wstring name = s.substr(i + 2, nameEnd - i - 2);
      if (!mismatch_ && (openNames_.empty() || openNames_.back() != name)) mismatch_ = line;
      skipPast(L">");
      if (!open.empty()) {
        open.pop_back();
        children.pop_back();
        openNames_.pop_back();
      }
    } else {
      const long startLine = line;
      size_t nameEnd = i + 1;
      while (nameEnd < s.size() && !IsNameEnd(s[nameEnd])) ++nameEnd;
      std::wstring name = s.substr(i + 1, nameEnd - i - 1);
      // The tag ends at the first '>' outside a quoted attribute value.
      wchar_t quote = 0;
      size_t j = nameEnd;
      for (; j < s.size(); ++j) {
        if (s[j] == L'\n') ++line;
        if (quote) {
          if (s[j] == quote) quote = 0;
        } else if (s[j] == L'"' || s[j] == L'\'') {
          quote = s[j];
        } else if (s[j] == L'>') {
          break;
        }
      }
      const bool empty = j > 0 && j < s.size() && s[j - 1] == L'/';
      ElementPath path = open;
      path.push_back(children.back()++);
      tags_[path] = {name, startLine};
      if (!empty) {
        open = path;
        children.push_back(0);
        openNames_.push_back(name);
      }
      i = j + 1;
    }
  }
  if (!mismatch_ && !openNames_.empty()) mismatch_ = line;
}

long LineIndex::LineOf(const XmlNode& element) const {
  auto found = tags_.find(PathOf(element));
  if (found == tags_.end() || found->second.name != element.Name()) return 0;
  return found->second.line;
}
