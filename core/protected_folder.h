// The folders the setup keeps its log, batches and restart copy in: only administrators may
// change them, so no other user of the machine can add to a batch or point a file elsewhere.
#pragma once

#include <string>
#include <vector>

#include "platform/security.h"

struct ProtectedFolder {
  bool usable = false;              // the folder exists and is ours
  std::vector<std::wstring> notes;  // what was done about what stood there, for the log
};

// Creates the folder protected; reclaims one another user could change; replaces a link (or a
// file) standing in its place with a real folder.
ProtectedFolder MakeProtectedFolder(platform::Security& security, const std::wstring& path);

// For a shared parent such as C:\Temp: a link there is removed and a plain folder made; its
// access list is left as it is. Notes as above.
bool MakePlainFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes);
