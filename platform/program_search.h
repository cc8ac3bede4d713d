// Programs named without a folder ("cmd.exe", "msiexec"). CreateProcessW and ShellExecuteExW look
// for such a name beside the running program and in the current folder first, where anyone who
// can write to a distribution folder could put his own cmd.exe to run as administrator. The
// setup looks in the system folder, the Windows folder and the absolute folders of PATH only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A command line's first word, taken the way CreateProcessW takes it: when quoted, up to the next
// quote; otherwise up to the first blank or tab.
struct CommandHead {
  std::wstring program;  // without its quotes
  std::wstring rest;     // everything after the program (its leading blank included), as written
  bool quoted = false;
};
CommandHead SplitCommandHead(std::wstring_view commandLine);

// A name without a drive or folder part: the system searches for it.
bool IsBareProgramName(std::wstring_view program);

// The folders a bare name is looked for in, in order: the system folder, the Windows folder, then
// PATH's entries that are absolute (a relative one such as "." means the current folder), except
// the running program's own folder.
std::vector<std::wstring> ProgramSearchFolders(const std::wstring& systemFolder, const std::wstring& windowsFolder,
                                               std::wstring_view pathVariable, const std::wstring& ownFolder);

// The first "<folder>\<name>" that is a file, ".exe" added to a name without an extension; empty
// when there is none.
std::wstring FindProgramIn(const std::wstring& name, const std::vector<std::wstring>& folders);

// This machine's search for a bare name (the folders above, read now); empty when not found.
std::wstring FindProgram(const std::wstring& name);

// What CreateProcessW is handed for a command line. A bare program name becomes its full path,
// as the application name and, quoted as needed, as the command line's first word. A program
// given with a folder is left to CreateProcessW (no application name), which searches nothing
// for it.
struct ProcessLaunch {
  std::wstring application;  // empty: none
  std::wstring commandLine;
};
// False with ERROR_FILE_NOT_FOUND when a bare name is found in none of the folders: there is no
// falling back to CreateProcessW's own search.
bool PrepareLaunch(const std::wstring& commandLine, ProcessLaunch& launch, DWORD& error);

// Whether ShellExecuteExW would start this file as a program (".exe", ".com", ".bat", ".cmd" or no
// extension) rather than open a document with it.
bool NamesProgram(std::wstring_view file);

}  // namespace platform
