// Numbered walks: what the setup's walk reaches, and why it misses the rest.
#include <map>

#include "checker/definition_checker.h"
#include "checker/definition_schema.h"
#include "definition/xml_readers.h"
#include "platform/text.h"

namespace {

// "1", "2", ...: the only spellings the walk's text comparison finds.
bool PlainNumber(const std::wstring& s, int& n) {
  if (s.empty() || s.size() > 9 || s[0] == L'0') return false;
  for (wchar_t ch : s)
    if (ch < L'0' || ch > L'9') return false;
  n = static_cast<int>(text::AtoI(s));
  return true;
}

bool OrderOf(const XmlNode& node, const std::wstring& order, std::wstring& value) {
  if (order[0] == L'@') return node.Attribute(order.substr(1), value);
  return RawChildText(node, order, value);
}

std::wstring Pattern(const schema::Walk& walk) {
  std::wstring order = walk.order;
  return std::wstring(walk.child) + L"[" + order + L"=\"%d\"]";
}

const wchar_t* PackagePasses[] = {L"InstallOrder", L"InstallRollbackOrder", L"PostInstallOrder", L"UninstallOrder",
                                  L"PostUninstallOrder"};

void CheckGroup(DefinitionChecker& c, const schema::Walk& walk, const XmlNode& group) {
  const std::wstring order = walk.order[0] == L'@' ? std::wstring(walk.order + 1) : std::wstring(walk.order);
  std::map<ElementPath, int> visited;
  std::map<int, XmlNode> byNumber;
  int last = 0;
  ForEachNumberedChild(group, Pattern(walk), [&](int n, const XmlNode& child) {
    visited[PathOf(child)] = n;
    byNumber[n] = child;
    last = n;
    return true;
  });

  const std::wstring packageGroup = L"PackageFileGroup";
  if (last == 0 && walk.group == packageGroup && (order == L"InstallOrder" || order == L"UninstallOrder")) {
    c.Add(group, L"SC1008",
          text::Format(L"no PackageFile of this group has %s 1: every %s of the group fails (setup returns 1620)", order,
                       order == L"InstallOrder" ? L"install and repair" : L"uninstall"));
    return;  // the packages it does number are part of that one fault
  }

  std::vector<XmlNode> children;
  group.SelectAll(walk.child, children);
  for (const XmlNode& child : children) {
    if (visited.count(PathOf(child))) continue;
    const std::wstring name = child.Name();
    std::wstring value;
    if (!OrderOf(child, walk.order, value)) {
      // A package takes part only in the passes it is numbered for; the rule below covers it.
      if (walk.group == packageGroup) continue;
      if (std::wstring(walk.child) == L"*" && name != L"InstallCheck" && name != L"MSICheck") continue;
      c.Add(child, L"SC0003",
            text::Format(L"%s has no %s, so the setup never visits it: number it after the last one", name,
                         walk.order[0] == L'@' ? order + L" attribute" : order + L" element"));
      continue;
    }
    int n = 0;
    if (!PlainNumber(value, n)) {
      c.Add(child, L"SC0001",
            text::Format(L"%s \"%s\" is never reached: the walk looks up 1, 2, 3, ... written without spaces or "
                         L"leading zeros",
                         order, value));
    } else if (byNumber.count(n)) {
      c.Add(child, L"SC0002",
            text::Format(L"a second %s with %s %d is ignored: only the first in the document is used; give it the "
                         L"next free number",
                         name, order, n));
    } else {
      c.Add(child, L"SC0001",
            text::Format(L"%s %d is never reached: the walk stops %s because no %s has %s %d; number without gaps", order,
                         n, last == 0 ? std::wstring(L"at once") : text::Format(L"after %d", last), name, order,
                         last + 1));
    }
  }
}

}  // namespace

void CheckNumbering(DefinitionChecker& c) {
  for (const schema::Walk& walk : schema::Walks()) {
    std::vector<XmlNode> groups;
    c.Document().SelectAll(std::wstring(L"//") + walk.group, groups);
    for (const XmlNode& group : groups) CheckGroup(c, walk, group);
  }
  std::vector<XmlNode> packages;
  c.Document().SelectAll(L"//PackageFileGroup/PackageFile", packages);
  for (const XmlNode& package : packages) {
    bool numbered = false;
    std::wstring value;
    for (const wchar_t* pass : PackagePasses) numbered = numbered || RawChildText(package, pass, value);
    if (!numbered)
      c.Add(package, L"SC0003",
            L"PackageFile has no InstallOrder, InstallRollbackOrder, PostInstallOrder, UninstallOrder or "
            L"PostUninstallOrder, so no pass ever runs it");
  }
}
