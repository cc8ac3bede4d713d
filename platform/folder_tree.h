// Walking and making folders, and telling whether one folder lies inside another.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
  std::wstring name;
  bool folder = false;
  bool link = false;  // a reparse point: a junction, a symbolic link, a mount point
};

// The entries of a folder, without "." and ".."; 0 or the system error.
DWORD ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries);

// The absolute form of a path (relative to the current folder, "." and ".." resolved), without
// a trailing backslash unless it is a drive's root; empty when it cannot be formed.
std::wstring FullPath(const std::wstring& path);

// A new folder, or the plain folder already there; a link or a file in its place answers
// ERROR_FILE_EXISTS. 0 or the system error.
DWORD CreatePlainFolder(const std::wstring& path);
// The folder (an absolute path) and each of its missing parents; 0 or the system error.
DWORD CreateFolderPath(const std::wstring& path);

// Is `path` the folder `root` or anywhere below it? Its absolute form is compared by name (any
// letter case), and each of its existing ancestors by identity (volume and file index, links
// followed), so another spelling of the same folder is caught too.
bool IsSameOrInside(const std::wstring& path, const std::wstring& root);

}  // namespace platform
