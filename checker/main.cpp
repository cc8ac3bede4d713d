// setupcheck.exe: checks product definitions before they ship.
//   setupcheck [--dist FOLDER] FILE.xml...   check definitions (and variables lists); with --dist,
//                                           Locations inside FOLDER must exist there
//   setupcheck FOLDER                       check the definition setup.exe would choose in a
//                                           distribution folder, with its Locations
//   setupcheck --table                      the table of elements, probes and codes
// Exit code: 0 clean, 1 warnings only, 2 errors (or unusable arguments).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "checker/definition_checker.h"
#include "checker/definition_schema.h"
#include "definition/product_catalog.h"
#include "platform/com_apartment.h"
#include "platform/files.h"
#include "platform/prompts.h"
#include "platform/text.h"

namespace {

void Print(const std::wstring& line, FILE* stream = stdout) {
  // Text-mode streams end the line with CR LF themselves.
  std::string bytes = text::ToUtf8(line + L"\n");
  fwrite(bytes.data(), 1, bytes.size(), stream);
}

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  return n > 0 && n < MAX_PATH * 4 ? std::wstring(full, n) : path;
}

// The definition setup.exe would load from a distribution folder, found by its own search.
bool ChooseDefinition(const std::wstring& folder, CheckTarget& target, Report& report) {
  QuietLog log;
  PropertyMap properties;
  platform::Win32Prompts prompts;
  DefinitionContext context{log, properties, prompts, nullptr, true, WithBackslash(FullPath(folder)), L""};
  XmlDocument doc;
  switch (LoadDefinitionDocument(doc, context)) {
    case DefinitionLoad::NotFound:
      report.Add(0, L"SC1000", L"no product definition (*.xml other than the variables lists) lies in this folder");
      return false;
    case DefinitionLoad::Loaded:
    case DefinitionLoad::Unreadable:
    case DefinitionLoad::Invalid:
      break;  // the check itself says what is wrong with the file
  }
  target.path = WithBackslash(folder) + context.definitionFileName;
  target.distribution = context.setupDirectory;
  return true;
}

int Usage() {
  Print(L"usage: setupcheck [--dist FOLDER] FILE.xml... | setupcheck FOLDER | setupcheck --table", stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"--table") {
    for (const std::wstring& line : schema::TableLines()) Print(line);
    return 0;
  }
  std::wstring distribution;
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == L"--dist") {
      if (++i == args.size()) return Usage();
      distribution = WithBackslash(FullPath(args[i]));
    } else if (!args[i].empty() && args[i][0] == L'-') {
      return Usage();
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.empty()) return Usage();

  platform::ComApartment com;
  bool warnings = false, errors = false;
  for (const std::wstring& path : paths) {
    Report report(path);
    CheckTarget target{path, distribution};
    bool check = true;
    if (platform::IsDirectory(path)) check = ChooseDefinition(path, target, report);
    if (check) {
      Report fileReport(target.path);
      DefinitionChecker(target, fileReport).Run();
      report = fileReport;
    }
    for (const std::wstring& line : report.Lines()) Print(line);
    errors = errors || report.HasErrors();
    warnings = warnings || !report.Empty();
  }
  return errors ? 2 : warnings ? 1 : 0;
}
