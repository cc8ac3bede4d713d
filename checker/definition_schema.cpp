#include "checker/definition_schema.h"

#include "checks/probe_table.h"

namespace schema {

namespace {

using K = ConditionKind;

std::vector<Element> Build() {
  std::vector<Element> e = {
      {L"Product", {}, {L"Resources", L"GUID", L"QVDirectory", L"RootDirectory", L"Platform", L"ShortName", L"OldGUID",
                        L"Dependency", L"Name", L"ReadMe", L"NETFramework"},
       {}, {L"PackageFileGroup", L"Finalize"}, {}},
      {L"PackageFileGroup", {L"Product"}, {}, {}, {L"PackageFile"}, {}},
      {L"PackageFile", {L"PackageFileGroup"}, {},
       {L"ShortName", L"Name", L"GUID", L"Location", L"InstallOrder", L"InstallRollbackOrder", L"PostInstallOrder",
        L"UninstallOrder", L"PostUninstallOrder", L"InstallLog", L"RepairLog", L"UninstallLog", L"InstallArguments",
        L"UninstallArguments", L"PreUninstall", L"ExitCodeRequired"},
       {}, {K::Install, K::Uninstall}},
      {L"Finalize", {L"Product"}, {}, {}, {L"CopyFileGroup", L"DeleteFileGroup", L"ExecuteCommandGroup"}, {}},
      {L"CopyFileGroup", {L"Finalize"}, {}, {}, {L"CopyFile"}, {}},
      {L"CopyFile", {L"CopyFileGroup"}, {}, {L"Source", L"Destination"}, {}, {K::Install}},
      {L"DeleteFileGroup", {L"Finalize"}, {}, {}, {L"DeleteFile"}, {}},
      {L"DeleteFile", {L"DeleteFileGroup"}, {}, {L"Location"}, {}, {K::Uninstall}},
      {L"ExecuteCommandGroup", {L"Finalize"}, {}, {}, {L"ExecuteCommand"}, {}},
      {L"ExecuteCommand", {L"ExecuteCommandGroup"}, {}, {L"Order", L"Command", L"Arguments", L"WaitForCompletion"}, {},
       {K::Execute}},
      {L"PrerequisiteFileGroup", {}, {}, {}, {L"PrerequisiteFile"}, {}},
      {L"PrerequisiteFile", {L"PrerequisiteFileGroup"}, {}, {L"Order", L"Name", L"Custom", L"Location", L"Arguments", L"InstallLog"},
       {}, {K::Install}},
      {L"InstallChecks", {}, {}, {}, {L"InstallCheck", L"MSICheck"}, {}},
      {L"MSIChecks", {}, {}, {}, {L"MSICheck", L"InstallCheck"}, {}},
      {L"InstallCheck", {L"InstallChecks", L"MSIChecks"}, {L"Property"}, {L"Order"}, {}, {K::Check}},
      {L"MSICheck", {L"MSIChecks", L"InstallChecks"}, {L"Property", L"GUID"}, {L"Order"}, {}, {K::Check}},
      {L"RegistryChecks", {}, {}, {}, {L"RegistryCheck"}, {}},
      {L"RegistryCheck", {L"RegistryChecks"}, {L"Property"}, {L"Order", L"HKey", L"Subkey", L"QueryValue"}, {}, {K::Check}},
      {L"AppChecks", {}, {}, {}, {L"AppCheck"}, {}},
      {L"AppCheck", {L"AppChecks"}, {L"Name", L"Executable"}, {}, {}, {K::Check}},
      {L"FileInUseChecks", {}, {}, {}, {L"FileCheck"}, {}},
      {L"FileCheck", {L"FileInUseChecks"}, {L"File", L"Executable"}, {}, {}, {K::Check}},
      {L"MinimumRequirementChecks", {}, {}, {}, {L"MinimumRequirement"}, {}},
      {L"MinimumRequirement", {L"MinimumRequirementChecks"}, {L"Order"}, {L"MessageInfo"}, {}, {K::Check, K::CheckGroup}},
      {L"LaunchChecks", {}, {}, {}, {L"LaunchCheck"}, {}},
      {L"LaunchCheck", {L"LaunchChecks"}, {L"Property"}, {}, {}, {K::Check, K::CheckGroup}},
      {L"LaunchMessages", {}, {}, {}, {L"LaunchMessage"}, {}},
      {L"LaunchMessage", {L"LaunchMessages"}, {L"MessageOrder", L"Property"}, {L"MessageInfo", L"Option", L"FailOn", L"Icon"},
       {}, {K::Show}},
      {L"ConfigVariable", {}, {L"Name", L"value"}, {}, {}, {}},
  };
  // The parts of each condition layout stand under the elements that read that kind.
  for (const Layout& layout : Layouts()) {
    std::vector<const wchar_t*> owners;
    for (const Element& element : e)
      for (ConditionKind kind : element.conditions)
        if (kind == layout.kind) owners.push_back(element.name);
    // Minimum requirements read their check groups' items with an Error text as well.
    std::vector<const wchar_t*> itemAttributes = {L"Property", L"Value"};
    if (layout.kind == K::CheckGroup) itemAttributes.push_back(L"Error");
    if (*layout.list) {
      e.push_back({layout.list, owners, {}, {}, {layout.group}, {}, true});
      e.push_back({layout.group, {layout.list}, {}, {}, {layout.item}, {}, true});
    } else {
      e.push_back({layout.group, owners, {}, {}, {layout.item}, {}, true});
    }
    e.push_back({layout.item, {layout.group}, itemAttributes, {}, {}, {}, true});
  }
  return e;
}

}  // namespace

const std::vector<Layout>& Layouts() {
  // The same names the setup's Conditions reads.
  static const std::vector<Layout> layouts = {
      {K::Check, L"", L"CheckConditions", L"CheckIf"},
      {K::CheckGroup, L"CheckGroupList", L"CheckGroup", L"Check"},
      {K::Install, L"InstallConditionsList", L"InstallConditions", L"InstallIf"},
      {K::Uninstall, L"", L"UninstallConditions", L"UninstallIf"},
      {K::Show, L"", L"ShowConditions", L"ShowIf"},
      {K::Execute, L"ConditionsList", L"Condition", L"ExecuteIf"},
  };
  return layouts;
}

const Layout& LayoutOf(ConditionKind kind) {
  for (const Layout& layout : Layouts())
    if (layout.kind == kind) return layout;
  return Layouts().front();
}

const wchar_t* KindName(ConditionKind kind) {
  switch (kind) {
    case K::Check: return L"Check";
    case K::CheckGroup: return L"CheckGroup";
    case K::Install: return L"Install";
    case K::Uninstall: return L"Uninstall";
    case K::Show: return L"Show";
    case K::Execute: return L"Execute";
  }
  return L"";
}

const std::vector<Element>& Elements() {
  static const std::vector<Element> elements = Build();
  return elements;
}

const Element* FindElement(const std::wstring& name) {
  for (const Element& element : Elements())
    if (name == element.name) return &element;
  return nullptr;
}

const std::vector<Code>& Codes() {
  static const std::vector<Code> codes = {
      {L"SC0001", false, L"a numbered element the walk never reaches (a gap, or a number not written plainly)"},
      {L"SC0002", false, L"a second element with the same order number, which is ignored"},
      {L"SC0003", false, L"an element without an order number, which is never visited"},
      {L"SC0004", false, L"a probe name that differs from one only in letter case"},
      {L"SC0005", false, L"a probe name the setup does not know"},
      {L"SC0006", false, L"a bracketed property in a condition's Property, expanded to its value"},
      {L"SC0007", false, L"a bracketed property followed directly by a name, which loses its backslash"},
      {L"SC0008", false, L"a post-install package whose Location ends in .MSI, run as an executable"},
      {L"SC0009", false, L"a prerequisite Location that is neither .msi nor .exe in lower case, which runs nothing"},
      {L"SC0010", false, L"a Custom prerequisite text that names no built-in prerequisite"},
      {L"SC0011", false, L"a Dependency that names no product of the definition"},
      {L"SC0012", false, L"an attribute the setup does not read"},
      {L"SC0013", false, L"a condition item without Property or Value, which is skipped"},
      {L"SC0014", false, L"an element of which only the first in the document is read"},
      {L"SC0015", false, L"a package Location that is not a full path"},
      {L"SC1000", true, L"the file cannot be read or does not parse"},
      {L"SC1001", true, L"a package without GUID"},
      {L"SC1002", true, L"a package or prerequisite without Location"},
      {L"SC1003", true, L"a Location that does not exist in the distribution folder"},
      {L"SC1004", true, L"a malformed GUID"},
      {L"SC1005", true, L"an unknown element, or a known one where the setup does not read it"},
      {L"SC1006", true, L"a condition layout the setup does not read"},
      {L"SC1007", true, L"a definition without a Product element"},
      {L"SC1008", true, L"a package group without a package numbered 1"},
  };
  return codes;
}

const Code& FindCode(const std::wstring& code) {
  for (const Code& c : Codes())
    if (code == c.code) return c;
  return Codes().back();
}

const std::vector<Walk>& Walks() {
  static const std::vector<Walk> walks = {
      {L"PackageFileGroup", L"PackageFile", L"InstallOrder"},
      {L"PackageFileGroup", L"PackageFile", L"InstallRollbackOrder"},
      {L"PackageFileGroup", L"PackageFile", L"PostInstallOrder"},
      {L"PackageFileGroup", L"PackageFile", L"UninstallOrder"},
      {L"PackageFileGroup", L"PackageFile", L"PostUninstallOrder"},
      {L"PrerequisiteFileGroup", L"PrerequisiteFile", L"Order"},
      {L"InstallChecks", L"*", L"Order"},
      {L"MSIChecks", L"*", L"Order"},
      {L"RegistryChecks", L"RegistryCheck", L"Order"},
      {L"ExecuteCommandGroup", L"ExecuteCommand", L"Order"},
      {L"MinimumRequirementChecks", L"MinimumRequirement", L"@Order"},
      {L"LaunchMessages", L"LaunchMessage", L"@MessageOrder"},
  };
  return walks;
}

const std::vector<const wchar_t*>& BuiltInPrerequisites() {
  static const std::vector<const wchar_t*> names = {L".NET 3.5 SP1", L".NET 4", L"Windows Installer 4.5", L"SQLCMD",
                                                     L"ASP.NET 4.0"};
  return names;
}

std::vector<std::wstring> TableLines() {
  std::vector<std::wstring> lines;
  for (const Element& e : Elements()) {
    if (e.parents.empty()) lines.push_back(std::wstring(L"element ") + e.name + L" anywhere");
    for (const wchar_t* parent : e.parents) lines.push_back(std::wstring(L"element ") + e.name + L" " + parent);
    for (const wchar_t* a : e.attributes) lines.push_back(std::wstring(L"attribute ") + e.name + L" " + a);
    for (const wchar_t* t : e.texts) lines.push_back(std::wstring(L"text ") + e.name + L" " + t);
    for (ConditionKind k : e.conditions) lines.push_back(std::wstring(L"conditions ") + e.name + L" " + KindName(k));
  }
  for (const std::wstring& probe : ProbeTable::Names()) lines.push_back(L"probe " + probe);
  for (const Code& c : Codes()) lines.push_back(std::wstring(L"code ") + c.code + (c.error ? L" error" : L" warning"));
  return lines;
}

}  // namespace schema
