// The bundle hands its own arguments to the setup it carries exactly as it got them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bundle {

// What follows the program name in a command line, as written (quotes, blanks and all): the
// name is taken the way Windows takes it (quoted to the next quote, else to the first blank).
std::wstring_view ArgumentsTail(std::wstring_view commandLine);

// "\"<program>\" <tail>": the child's command line, its arguments untouched.
std::wstring ChildCommandLine(const std::wstring& program, std::wstring_view tail);

// Whether the setup will run without a window: "/q" or "autoupdate", in any letter case.
bool AsksForSilence(const std::vector<std::wstring>& arguments);

}  // namespace bundle
