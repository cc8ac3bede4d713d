#include "platform/program_search.h"

#include <cwctype>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32_folders.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsAbsolute(std::wstring_view folder) {
  if (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\' && std::iswalpha(folder[0])) return true;
  return folder.size() >= 3 && folder[0] == L'\\' && folder[1] == L'\\';
}

std::wstring WithoutTrailingBackslashes(std::wstring folder) {
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

bool HasExtension(std::wstring_view name) { return name.find(L'.') != std::wstring_view::npos; }

std::wstring OwnFolder() {
  wchar_t module[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring path(module, n);
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace

CommandHead SplitCommandHead(std::wstring_view commandLine) {
  CommandHead head;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const size_t close = commandLine.find(L'"', 1);
    const size_t end = close == std::wstring_view::npos ? commandLine.size() : close;
    head.program = commandLine.substr(1, end - 1);
    head.rest = commandLine.substr(close == std::wstring_view::npos ? end : end + 1);
    head.quoted = true;
    return head;
  }
  size_t end = 0;
  while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
  head.program = commandLine.substr(0, end);
  head.rest = commandLine.substr(end);
  return head;
}

bool IsBareProgramName(std::wstring_view program) {
  return !program.empty() && program.find_first_of(L"\\/:") == std::wstring_view::npos;
}

std::vector<std::wstring> ProgramSearchFolders(const std::wstring& systemFolder, const std::wstring& windowsFolder,
                                               std::wstring_view pathVariable, const std::wstring& ownFolder) {
  std::vector<std::wstring> folders;
  for (const std::wstring& known : {systemFolder, windowsFolder})
    if (IsAbsolute(known)) folders.push_back(WithoutTrailingBackslashes(known));
  const std::wstring own = WithoutTrailingBackslashes(ownFolder);
  size_t start = 0;
  while (start <= pathVariable.size()) {
    size_t end = pathVariable.find(L';', start);
    if (end == std::wstring_view::npos) end = pathVariable.size();
    std::wstring entry = text::Trim(pathVariable.substr(start, end - start));
    if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') entry = entry.substr(1, entry.size() - 2);
    entry = WithoutTrailingBackslashes(entry);
    if (IsAbsolute(entry) && !(!own.empty() && text::EqualsNoCase(entry, own))) folders.push_back(entry);
    start = end + 1;
  }
  return folders;
}

std::wstring FindProgramIn(const std::wstring& name, const std::vector<std::wstring>& folders) {
  const std::wstring file = HasExtension(name) ? name : name + L".exe";
  for (const std::wstring& folder : folders) {
    std::wstring candidate = folder + (folder.back() == L'\\' ? L"" : L"\\") + file;
    if (FileExists(candidate)) return candidate;
  }
  return {};
}

std::wstring FindProgram(const std::wstring& name) {
  return FindProgramIn(name, ProgramSearchFolders(SystemDirectory(), WindowsDirectory(), EnvironmentValue(L"PATH"),
                                                  OwnFolder()));
}

bool PrepareLaunch(const std::wstring& commandLine, ProcessLaunch& launch, DWORD& error) {
  launch = ProcessLaunch();
  const CommandHead head = SplitCommandHead(commandLine);
  if (!IsBareProgramName(head.program)) {
    launch.commandLine = commandLine;
    return true;
  }
  launch.application = FindProgram(head.program);
  if (launch.application.empty()) {
    error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  // Quoted as it was, or when the path has a blank: the child reads its own name back whole.
  launch.commandLine = (head.quoted ? L"\"" + launch.application + L"\"" : text::QuoteIfBlank(launch.application)) +
                       head.rest;
  return true;
}

bool NamesProgram(std::wstring_view file) {
  const size_t dot = file.find_last_of(L'.');
  const size_t slash = file.find_last_of(L"\\/");
  if (dot == std::wstring_view::npos || (slash != std::wstring_view::npos && dot < slash)) return true;
  const std::wstring_view extension = file.substr(dot);
  for (const wchar_t* program : {L".exe", L".com", L".bat", L".cmd"})
    if (text::EqualsNoCase(extension, program)) return true;
  return false;
}

}  // namespace platform
