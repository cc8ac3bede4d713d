// The bytes a secret value becomes in a log file another program wrote in a narrow encoding.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The forms of value to look for in such a file, each once: UTF-8, and for the ANSI code page
// the exact form, or, when the code page cannot hold every character, the two an ANSI writer
// produces: best fit ("Omega" for "Ωmega", what Windows Installer writes) and strict, with the
// code page's stand-in for each lost character. A lossy form in which stand-ins make up half or
// more is left out: it would mask runs of "?" that are not the secret.
std::vector<std::string> NarrowForms(const std::wstring& value, UINT codePage = CP_ACP);
