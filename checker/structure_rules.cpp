// Elements and attributes the setup does not read, and condition layouts it will not consult.
#include <algorithm>

#include "checker/definition_checker.h"
#include "checker/definition_schema.h"
#include "definition/xml_readers.h"
#include "platform/text.h"

namespace {

using schema::Element;

std::wstring ParentName(const XmlNode& node) {
  platform::ComPtr<IXMLDOMNode> parent;
  if (!node.raw() || FAILED(node.raw()->get_parentNode(parent.put())) || !parent) return {};
  DOMNodeType type = NODE_INVALID;
  parent->get_nodeType(&type);
  return type == NODE_ELEMENT ? XmlNode(parent).Name() : std::wstring();
}

std::vector<std::wstring> AttributeNames(const XmlNode& node) {
  std::vector<std::wstring> names;
  platform::ComPtr<IXMLDOMNamedNodeMap> map;
  if (!node.raw() || FAILED(node.raw()->get_attributes(map.put())) || !map) return names;
  long count = 0;
  map->get_length(&count);
  for (long i = 0; i < count; ++i) {
    platform::ComPtr<IXMLDOMNode> attribute;
    if (SUCCEEDED(map->get_item(i, attribute.put())) && attribute) names.push_back(XmlNode(attribute).Name());
  }
  return names;
}

bool Has(const std::vector<const wchar_t*>& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(), [&](const wchar_t* n) { return name == n; });
}

// A name the element would read if the letter case were right.
const wchar_t* CaseTwin(const std::vector<const wchar_t*>& names, const std::wstring& name) {
  for (const wchar_t* n : names)
    if (text::EqualsNoCase(name, n)) return n;
  return nullptr;
}

std::wstring Join(const std::vector<const wchar_t*>& names) {
  std::wstring out;
  for (size_t i = 0; i < names.size(); ++i) out += (i == 0 ? L"" : i + 1 == names.size() ? L" or " : L", ") + std::wstring(names[i]);
  return out;
}

void CheckAttributes(DefinitionChecker& c, const XmlNode& node, const Element& rule) {
  for (const std::wstring& name : AttributeNames(node)) {
    if (Has(rule.attributes, name) || name.rfind(L"xmlns", 0) == 0 || name.rfind(L"xml:", 0) == 0) continue;
    std::wstring text = text::Format(L"%s reads no attribute %s", rule.name, name);
    if (const wchar_t* twin = CaseTwin(rule.attributes, name))
      text += text::Format(L"; names are case-sensitive: write %s", twin);
    else if (const wchar_t* child = CaseTwin(rule.texts, name))
      text += text::Format(L"; %s is read from a child element <%s>", child, child);
    c.Add(node, L"SC0012", text);
  }
}

// A child of a known element that is neither one of its values nor an element it reads.
void CheckUnknownChild(DefinitionChecker& c, const XmlNode& node, const Element& parent) {
  std::wstring name = node.Name();
  if (Has(parent.texts, name)) return;
  std::vector<const wchar_t*> known = parent.texts;
  known.insert(known.end(), parent.children.begin(), parent.children.end());
  for (ConditionKind kind : parent.conditions) {
    const schema::Layout& layout = schema::LayoutOf(kind);
    known.push_back(*layout.list ? layout.list : layout.group);
  }
  std::wstring text = text::Format(L"%s is not an element the setup reads in %s", name, parent.name);
  if (const wchar_t* twin = CaseTwin(known, name)) text += text::Format(L"; names are case-sensitive: write %s", twin);
  c.Add(node, L"SC1005", text);
}

void CheckItem(DefinitionChecker& c, const XmlNode& item) {
  std::wstring property, value;
  item.Attribute(L"Property", property);
  item.Attribute(L"Value", value);
  if (property.empty() || value.empty())
    c.Add(item, L"SC0013",
          text::Format(L"%s without %s is skipped, and its group holds without it", item.Name(),
                       property.empty() ? L"Property" : L"Value"));
}

// Of a second list (or, for kinds without a list, a second group) only the first is read.
void CheckSecondConditions(DefinitionChecker& c, const XmlNode& owner, const Element& rule) {
  for (ConditionKind kind : rule.conditions) {
    const schema::Layout& layout = schema::LayoutOf(kind);
    const wchar_t* top = *layout.list ? layout.list : layout.group;
    std::vector<XmlNode> found;
    owner.SelectAll(top, found);
    for (size_t i = 1; i < found.size(); ++i)
      c.Add(found[i], L"SC1006",
            text::Format(L"only the first %s of a %s is read; put its items into the first one", top, rule.name));
  }
}

void CheckFirstOnly(DefinitionChecker& c) {
  std::vector<XmlNode> found;
  c.Document().SelectAll(L"//AppChecks", found);
  for (size_t i = 1; i < found.size(); ++i)
    c.Add(found[i], L"SC0014", L"only the first AppChecks of the definition is read; put its AppCheck elements there");
  std::vector<XmlNode> products;
  c.Document().SelectAll(L"//Product", products);
  for (const XmlNode& product : products) {
    product.SelectAll(L"Finalize/ExecuteCommandGroup", found);
    for (size_t i = 1; i < found.size(); ++i)
      c.Add(found[i], L"SC0014",
            L"only the first ExecuteCommandGroup of a product is read; put its ExecuteCommand elements there");
  }
}

}  // namespace

void CheckStructure(DefinitionChecker& c) {
  for (const XmlNode& node : AllElements(c.Document())) {
    const std::wstring name = node.Name();
    const std::wstring parentName = ParentName(node);
    const Element* rule = schema::FindElement(name);
    const Element* parent = schema::FindElement(parentName);
    if (rule && !rule->parents.empty() && !Has(rule->parents, parentName)) {
      std::wstring where = parentName.empty() ? std::wstring(L"the document's root") : parentName;
      c.Add(node, rule->conditionPart ? L"SC1006" : L"SC1005",
            text::Format(L"%s is not read under %s: it belongs in %s", name, where, Join(rule->parents)));
      continue;
    }
    if (!rule) {
      if (parent) CheckUnknownChild(c, node, *parent);
      continue;
    }
    CheckAttributes(c, node, *rule);
    if (rule->conditionPart && rule->children.empty()) CheckItem(c, node);
    if (!rule->conditions.empty()) CheckSecondConditions(c, node, *rule);
  }
  CheckFirstOnly(c);
}
