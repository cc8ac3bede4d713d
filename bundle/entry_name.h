// Which names a bundle's cabinet may give its files: relative paths that stay inside the folder
// they are unpacked into, whatever Windows makes of them.
#pragma once

#include <string>

namespace bundle {

// Empty when the name is safe; otherwise why not ("an absolute path", ...), for the log.
std::wstring UnsafeEntryName(const std::wstring& name);

}  // namespace bundle
