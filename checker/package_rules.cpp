// Packages, prerequisites, products and install checks: the values each one needs.
#include "checker/definition_checker.h"
#include "checker/definition_schema.h"
#include "checks/probe_table.h"
#include "definition/substitute.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Values that still hold a reference depend on the machine the setup runs on.
bool Resolved(const std::wstring& value) {
  for (const SubstitutionToken& token : SubstitutionTokens(value))
    if (token.kind != SubstitutionToken::Kind::Escape) return false;
  return true;
}

bool WellFormedGuid(const std::wstring& g) {
  if (g.size() != 38 || g.front() != L'{' || g.back() != L'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash != (g[i] == L'-')) return false;
    if (!dash && !iswxdigit(g[i])) return false;
  }
  return true;
}

void CheckGuid(DefinitionChecker& c, const XmlNode& at, const std::wstring& what, const std::wstring& guid) {
  if (guid.empty() || !Resolved(guid) || WellFormedGuid(guid)) return;
  c.Add(at, L"SC1004",
        text::Format(L"%s \"%s\" is not a GUID: write it as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal "
                     L"digits and the braces",
                     what, guid));
}

// A Location that lies in the distribution folder must be there.
void CheckLocationExists(DefinitionChecker& c, const XmlNode& at, const std::wstring& location) {
  const std::wstring& dist = c.Target().distribution;
  if (dist.empty() || !Resolved(location) || !text::StartsWithNoCase(location, dist)) return;
  if (!platform::FileExists(location))
    c.Add(at, L"SC1003",
          text::Format(L"%s does not exist in the distribution folder", location.substr(dist.size())));
}

// Windows Installer opens a relative path from the current folder of whoever started the setup.
void CheckFullPath(DefinitionChecker& c, const XmlNode& at, const std::wstring& name, const std::wstring& location) {
  if (location.empty() || !Resolved(location)) return;
  const bool drive = location.size() >= 3 && location[1] == L':' && (location[2] == L'\\' || location[2] == L'/');
  if (drive || location.rfind(L"\\\\", 0) == 0) return;
  c.Add(at, L"SC0015",
        text::Format(L"%s: Location \"%s\" is not a full path and is looked for in the current folder of whoever "
                     L"starts the setup; write [WORKINGDIRECTORY]\\%s",
                     name, location, location));
}

bool Has(const XmlNode& node, const wchar_t* child) {
  std::wstring ignored;
  return RawChildText(node, child, ignored);
}

void CheckPackage(DefinitionChecker& c, const XmlNode& package) {
  ElementTextReader texts(package, c.Values());
  std::wstring name, guid, location, uninstallArguments;
  texts.GetText(L"Name", name);
  texts.GetText(L"GUID", guid);
  texts.GetText(L"Location", location);
  texts.GetText(L"UninstallArguments", uninstallArguments);
  const bool installs = Has(package, L"InstallOrder");
  const bool postInstall = Has(package, L"PostInstallOrder");
  const bool removes = Has(package, L"UninstallOrder") || Has(package, L"PostUninstallOrder") ||
                       Has(package, L"InstallRollbackOrder");
  if (name.empty()) name = L"PackageFile";

  if (guid.empty() && (installs || removes))
    c.Add(package, L"SC1001", text::Format(L"%s has no GUID: the setup fails it with 13", name));
  CheckGuid(c, package, L"the GUID of " + name, guid);
  if (location.empty() && (installs || postInstall || (removes && !uninstallArguments.empty())))
    c.Add(package, L"SC1002", text::Format(L"%s has no Location: the setup fails it with %d", name, installs ? 2 : -1));
  CheckLocationExists(c, package, location);
  if (installs || text::Contains(location, L".msi")) CheckFullPath(c, package, name, location);
  if (postInstall && text::ContainsNoCase(location, L".msi") && !text::Contains(location, L".msi"))
    c.Add(package, L"SC0008",
          text::Format(L"%s runs after install as an executable: only a Location holding \".msi\" in lower case is "
                       L"installed as a package; write the extension as .msi",
                       name));
}

void CheckPrerequisite(DefinitionChecker& c, const XmlNode& prerequisite) {
  ElementTextReader texts(prerequisite, c.Values());
  std::wstring name, custom, location;
  texts.GetText(L"Name", name);
  if (name.empty()) name = L"PrerequisiteFile";
  if (Has(prerequisite, L"Custom")) {
    texts.GetText(L"Custom", custom);
    for (const wchar_t* known : schema::BuiltInPrerequisites())
      if (custom == known) return;
    std::wstring text = text::Format(L"%s: Custom \"%s\" names no built-in prerequisite and does nothing", name, custom);
    const wchar_t* twin = nullptr;
    for (const wchar_t* known : schema::BuiltInPrerequisites())
      if (text::EqualsNoCase(custom, known)) twin = known;
    if (twin)
      text += text::Format(L"; the names are case-sensitive: write \"%s\"", twin);
    else
      text += L" (they are \".NET 3.5 SP1\", \".NET 4\", \"Windows Installer 4.5\", \"SQLCMD\" and \"ASP.NET 4.0\")";
    c.Add(prerequisite, L"SC0010", text);
    return;
  }
  texts.GetText(L"Location", location);
  if (location.empty()) {
    c.Add(prerequisite, L"SC1002", text::Format(L"%s has neither Location nor Custom: it installs nothing", name));
    return;
  }
  CheckLocationExists(c, prerequisite, location);
  if (text::Contains(location, L".msi")) CheckFullPath(c, prerequisite, name, location);
  if (text::Contains(location, L".msi") || text::Contains(location, L".exe")) return;
  c.Add(prerequisite, L"SC0009",
        text::Format(L"%s runs nothing and counts as installed: only a Location holding \".msi\" or \".exe\" in lower "
                     L"case is run",
                     name));
}

void CheckProducts(DefinitionChecker& c) {
  std::vector<XmlNode> products;
  if (c.Document().SelectAll(L"//Product", products) != XmlQuery::Found) {
    c.Add(c.Document().Root(), L"SC1007", L"the definition holds no Product element: the setup stops with 1620");
    return;
  }
  std::vector<std::wstring> shortNames;
  for (const XmlNode& product : products) shortNames.push_back(AttributeReader(product, c.Values()).Get(L"ShortName"));
  for (const XmlNode& product : products) {
    AttributeReader attributes(product, c.Values());
    std::wstring shortName = attributes.Get(L"ShortName");
    CheckGuid(c, product, L"the GUID of " + shortName, attributes.Get(L"GUID"));
    CheckGuid(c, product, L"the OldGUID of " + shortName, attributes.Get(L"OldGUID"));
    std::wstring dependency = attributes.Get(L"Dependency");
    if (dependency.empty()) continue;
    bool found = false;
    for (const std::wstring& other : shortNames) found = found || text::EqualsNoCase(other, dependency);
    if (!found)
      c.Add(product, L"SC0011",
            text::Format(L"%s depends on \"%s\", which no Product's ShortName names: the dependency counts as met and "
                         L"%s is installed without it",
                         shortName, dependency, shortName));
  }
}

void CheckInstallChecks(DefinitionChecker& c) {
  std::vector<XmlNode> checks;
  c.Document().SelectAll(L"//InstallChecks/InstallCheck | //MSIChecks/InstallCheck", checks);
  for (const XmlNode& check : checks) {
    std::wstring probe = AttributeReader(check, c.Values()).Get(L"Property");
    if (probe.empty() || ProbeTable::Handles(probe)) continue;
    std::wstring twin;
    for (const std::wstring& known : ProbeTable::Names())
      if (text::EqualsNoCase(known, probe)) twin = known;
    if (!twin.empty())
      c.Add(check, L"SC0004",
            text::Format(L"probe names are case-sensitive: \"%s\" is not handled and sets nothing; write \"%s\"", probe,
                         twin));
    else
      c.Add(check, L"SC0005",
            text::Format(L"no probe is named \"%s\": it is not handled and sets nothing (the probe names are listed in "
                         L"docs/definition.md)",
                         probe));
  }
  std::vector<XmlNode> msiChecks;
  c.Document().SelectAll(L"//InstallChecks/MSICheck | //MSIChecks/MSICheck", msiChecks);
  for (const XmlNode& check : msiChecks) CheckGuid(c, check, L"the GUID of an MSICheck", AttributeReader(check, c.Values()).Get(L"GUID"));
}

}  // namespace

void CheckPackages(DefinitionChecker& c) {
  CheckProducts(c);
  std::vector<XmlNode> found;
  c.Document().SelectAll(L"//PackageFileGroup/PackageFile", found);
  for (const XmlNode& package : found) CheckPackage(c, package);
  c.Document().SelectAll(L"//PrerequisiteFileGroup/PrerequisiteFile", found);
  for (const XmlNode& prerequisite : found) CheckPrerequisite(c, prerequisite);
  CheckInstallChecks(c);
}
