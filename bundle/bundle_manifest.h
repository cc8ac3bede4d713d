// The manifest a bundle carries after its cabinet: the SHA-256 and size of the cabinet and of
// every file in it. UTF-8 text, one record a line:
//
//   ZEM bundle manifest 1
//   cabinet <sha256> <size>
//   file <sha256> <size> <name, backslash-separated, relative>
//
// Blank lines may follow the last record (the packer pads with them).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bundle {

// More than a bundle can sensibly carry: a manifest asking for it is refused before any byte is written.
constexpr uint64_t kMaxExpandedSize = 8ull * 1024 * 1024 * 1024;

struct ManifestFile {
  std::wstring name;
  uint64_t size = 0;
  std::string sha256;  // 64 lower-case hexadecimal digits
};

struct Manifest {
  std::string cabinetSha256;
  uint64_t cabinetSize = 0;
  std::vector<ManifestFile> files;
  uint64_t expandedSize = 0;  // the files' sizes added up

  // The record of a name, compared as Windows compares names; null when the manifest lacks it.
  const ManifestFile* Find(const std::wstring& name) const;
};

enum class ManifestVerdict {
  Ok,
  Damaged,  // not a manifest, or one missing setup.exe
  Unsafe,   // a name leaving the folder, a duplicate, or more bytes than a bundle may unpack
};

// `problem` says what is wrong, for the log.
ManifestVerdict ParseManifest(std::string_view text, Manifest& manifest, std::wstring& problem);

}  // namespace bundle
