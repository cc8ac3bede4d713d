// Substitution traps: what the setup's substitution does to values as they are written.
#include "checker/definition_checker.h"
#include "checker/definition_schema.h"
#include "definition/substitute.h"
#include "platform/text.h"

namespace {

using Kind = SubstitutionToken::Kind;

bool IsNameChar(wchar_t c) { return iswalnum(c) || c == L'_' || c == L'.' || c == L'-'; }

// A condition names the property to test; a single-bracketed name is replaced by its value first.
void CheckConditionProperty(DefinitionChecker& c, const XmlNode& item) {
  std::wstring property;
  if (!item.Attribute(L"Property", property)) return;
  for (const SubstitutionToken& token : SubstitutionTokens(property)) {
    if (token.kind != Kind::Property) continue;
    std::wstring name = property.substr(token.position, token.length);
    c.Add(item, L"SC0006",
          text::Format(L"Property \"%s\" is replaced by the value of %s before the test; write \"[%s]\" to test the "
                       L"property %s itself",
                       property, name, name, name));
    return;
  }
}

// The substitution drops the trailing backslash of a folder value when the second character after
// the reference is not a blank: right for "[X]\bin", wrong for "[X]bin".
void CheckBackslash(DefinitionChecker& c, const XmlNode& at, const std::wstring& value) {
  std::vector<SubstitutionToken> tokens = SubstitutionTokens(value);
  for (const SubstitutionToken& token : tokens)
    if (token.kind == Kind::Escape || token.kind == Kind::CultureNumber) return;
  for (const SubstitutionToken& token : tokens) {
    if (token.kind != Kind::Property) continue;
    size_t after = token.position + token.length;
    if (after + 1 >= value.size() || !IsNameChar(value[after]) || value[after + 1] == L' ') continue;
    std::wstring name = value.substr(token.position, token.length);
    size_t end = after;
    while (end < value.size() && IsNameChar(value[end])) ++end;
    std::wstring rest = value.substr(after, end - after);
    c.Add(at, L"SC0007",
          text::Format(L"%s%s: when %s holds a folder ending in a backslash, the backslash is dropped and the name "
                       L"runs into the folder; write %s\\%s",
                       name, rest, name, name, rest));
  }
}

}  // namespace

void CheckValues(DefinitionChecker& c) {
  for (const XmlNode& node : AllElements(c.Document())) {
    const schema::Element* rule = schema::FindElement(node.Name());
    if (rule && rule->conditionPart && rule->children.empty()) CheckConditionProperty(c, node);

    platform::ComPtr<IXMLDOMNamedNodeMap> map;
    long count = 0;
    if (SUCCEEDED(node.raw()->get_attributes(map.put())) && map) map->get_length(&count);
    for (long i = 0; i < count; ++i) {
      platform::ComPtr<IXMLDOMNode> attribute;
      std::wstring value;
      if (SUCCEEDED(map->get_item(i, attribute.put())) && attribute && XmlNode(attribute).Text(value))
        CheckBackslash(c, node, value);
    }
    if (ChildElements(node).empty()) {
      std::wstring value;
      if (node.Text(value)) CheckBackslash(c, node, value);
    }
  }
}
