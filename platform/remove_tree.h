// Removing a folder the program made, with all it holds, without ever following a link out of it.
#pragma once

#include <string>

namespace platform {

// Deletes the folder and everything below it. A link inside is removed as a link; what it points
// to is never touched. What cannot be deleted now (a file still open) is marked for deletion at
// the next restart. True when nothing is left now.
bool RemoveTree(const std::wstring& folder);

}  // namespace platform
