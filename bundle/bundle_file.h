// The bundle's own file, checked before anything is unpacked: its trailer, its manifest's hash and
// form, and its cabinet's size (its hash is checked while it is unpacked).
#pragma once

#include <string>

#include "bundle/bundle_manifest.h"
#include "bundle/payload_layout.h"
#include "core/exit_codes.h"
#include "platform/handles.h"

namespace bundle {

struct CheckedBundle {
  int failure = 0;  // 0, or the exit code of what is wrong
  std::wstring problem;
  // Open for the whole run, shared for reading only: nobody can change the bytes once checked.
  platform::UniqueHandle file;
  Payload payload;
  Manifest manifest;
};

CheckedBundle CheckBundle(const std::wstring& path);

}  // namespace bundle
