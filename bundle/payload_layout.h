// Where a bundle keeps its payload. The packer appends, after the stub program:
//
//   [cabinet][manifest][trailer: cabinet offset, cabinet size, manifest size (u64 LE each),
//                       manifest SHA-256 (32 bytes), magic "ZEMBNDL1"]
//
// A signing tool later appends its certificate table (padded to 8 bytes) and records it in the
// PE security directory; the trailer is therefore looked for at the end of the signed content,
// not at the end of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace bundle {

constexpr size_t kTrailerSize = 64;
constexpr char kTrailerMagic[] = "ZEMBNDL1";  // 8 bytes, no zero among them
constexpr size_t kMaxPadding = 7;             // zero bytes a signing tool may insert before its table
constexpr uint64_t kMaxCabinetSize = 0x7FFFFFFF;  // FDI seeks with a signed 32-bit distance
constexpr uint64_t kMaxManifestSize = 16 * 1024 * 1024;

struct Payload {
  uint64_t cabinetOffset = 0;
  uint64_t cabinetSize = 0;
  uint64_t manifestOffset = 0;
  uint64_t manifestSize = 0;
  uint8_t manifestSha256[32] = {};
};

struct ImageLayout {
  uint64_t imageEnd = 0;    // the end of the stub program's last section in the file
  uint64_t contentEnd = 0;  // the start of an appended certificate table, else the file's size
};

// Read from the file's first bytes (4 KiB suffice). Empty when they are no PE image, or name a
// certificate table outside the file.
std::optional<ImageLayout> ReadImageLayout(std::span<const uint8_t> headers, uint64_t fileSize);

// The payload whose trailer ends `tail`, the bytes just before `contentEnd` (at least
// kTrailerSize + kMaxPadding of them, fewer only in a smaller file). Empty when there is no
// trailer, or its sizes do not fit the file (a truncated bundle) or the limits.
std::optional<Payload> FindPayload(std::span<const uint8_t> tail, uint64_t contentEnd, uint64_t imageEnd);

}  // namespace bundle
