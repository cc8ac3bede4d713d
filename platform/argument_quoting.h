// Arguments written into a command line so that the started program reads them back unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// One argument as CommandLineToArgvW (and the C runtime) splits it back: as it is when it holds
// no blank, tab, line break or quote and is not empty; otherwise in quotes, with each quote
// escaped and the backslashes before a quote or before the closing quote doubled.
std::wstring QuoteArgument(std::wstring_view argument);

// The arguments, each quoted as needed, joined with one blank.
std::wstring JoinArguments(const std::vector<std::wstring>& arguments);

}  // namespace text
