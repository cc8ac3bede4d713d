// Deleting a file or a folder tree without ever following a junction or symbolic link: a link
// planted in the tree is removed itself, never what it points to.
#pragma once

#include <windows.h>

#include <string>

namespace link_safe {

// Does any folder on the way to the path (not the path itself) carry a reparse point?
bool LinkOnTheWay(const std::wstring& fullPath);

// 0 when the path is gone (or was never there); else the first system error met, with whatever
// could be removed removed.
DWORD Delete(const std::wstring& fullPath);

// An error that means "in use now, may go after this program ends".
bool InUse(DWORD error);

}  // namespace link_safe
