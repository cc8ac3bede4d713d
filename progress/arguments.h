// The command line the setup starts this program with:
//   "...\progress.exe" ProductName="<name>" Platform=<p> NETFramework=<0|1> Mode=<mode>
#pragma once

#include <string>
#include <vector>

struct ProgressArguments {
  std::wstring productName;
  std::wstring platform;  // "OP-US", "OP-Canada" or "SaaS"
  bool netFramework = false;
  std::wstring mode;  // the setup's culture text for the mode
};

// Reads NAME=VALUE arguments (names in any case); unknown ones are ignored.
ProgressArguments ParseProgressArguments(const std::vector<std::wstring>& arguments);
// The arguments of this process, without the program name.
std::vector<std::wstring> ProcessArguments();
