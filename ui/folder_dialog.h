// The shell's folder dialog with the culture's texts on its title, labels and buttons.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

struct FolderDialogTexts {
  std::wstring heading;        // above the tree
  std::wstring title;          // the window's caption
  std::wstring folderLabel;    // the label of the edit box
  std::wstring newFolder;      // the new-folder button
  std::wstring ok, cancel;
  std::wstring startPath;      // a network path (\\server\share) is selected at the start
};

enum class Browsed { Cancelled, NoPath, Chosen };

// flags: BIF_*; root null: the desktop.
Browsed BrowseForFolder(HWND owner, const FolderDialogTexts& texts, UINT flags, std::wstring& chosen,
                        PCIDLIST_ABSOLUTE root = nullptr);
