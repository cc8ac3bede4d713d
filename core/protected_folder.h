// The folders the setup keeps its log, batches and restart copy in: only administrators may
// change them, so no other user of the machine can add to a batch or point a file elsewhere.
// What stands in a folder's place (a link, a file, a folder holding a link) is never written
// through, changed or removed: a fresh folder with an unguessable name beside it is used instead.
#pragma once

#include <string>
#include <vector>

#include "platform/security.h"

struct ProtectedFolder {
  bool usable = false;              // `path` exists and is ours
  std::wstring path;                // the folder asked for, or the fresh one used in its place
  std::vector<std::wstring> notes;  // what was done about what stood there, for the log
};

enum class InPlaceOf {
  FreshFolder,  // a folder that cannot be used gives way to a fresh one beside it
  Nothing,      // a folder found by its name (a record another run reads) is then not used at all
};

// Creates the folder protected, or reclaims one another user could change.
ProtectedFolder MakeProtectedFolder(platform::Security& security, const std::wstring& path,
                                    InPlaceOf fallback = InPlaceOf::FreshFolder);
// A fresh protected folder "<base>.<random>"; `why` says in the note why it is needed.
ProtectedFolder MakeFreshProtectedFolder(platform::Security& security, const std::wstring& base,
                                         const std::wstring& why);

// For a shared parent such as C:\Temp: a folder is made when none stands there. Whoever may
// rename or delete the parent or its entries can swap the protected folder below it once the
// setup lets go of it (the clean-up batch and the restart copy run from there afterwards), so
// those rights are taken back for administrators; everyone keeps adding to it. A link or a file
// in its place is left as it is and the parent cannot be used. Notes as above.
enum class SharedFolder { Guarded, Unguarded, Unusable };
SharedFolder MakeSharedFolder(platform::Security& security, const std::wstring& path, std::vector<std::wstring>& notes);
