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

// For a shared parent such as C:\Temp: a link there is removed and a folder made. Whoever may
// rename or delete the parent or its entries can swap the protected folder below it once the
// setup lets go of it (the clean-up batch and the restart copy run from there afterwards), so
// those rights are taken back for administrators; everyone keeps adding to it. Notes as above.
bool MakeSharedFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes);
