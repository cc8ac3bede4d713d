// Named settings of the variables list (ConfigVariable Name="{...}" value="..."), each with a
// default the list may replace.
#pragma once

#include <map>
#include <string>

#include "definition/read_context.h"

// For each name (braces included) the list's non-empty value, else the default given.
std::map<std::wstring, std::wstring> ReadConfigVariables(const ReadContext& values, const std::wstring& variablesListPath,
                                                         std::map<std::wstring, std::wstring> defaults);
