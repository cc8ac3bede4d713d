#include "bundle/payload_layout.h"

#include <cstring>

namespace bundle {

namespace {

uint64_t Little(std::span<const uint8_t> bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(bytes[at + i]) << (8 * i);
  return value;
}

}  // namespace

std::optional<ImageLayout> ReadImageLayout(std::span<const uint8_t> headers, uint64_t fileSize) {
  if (headers.size() < 0x40 || headers[0] != 'M' || headers[1] != 'Z') return std::nullopt;
  const uint64_t pe = Little(headers, 0x3C, 4);
  // Signature, file header (20 bytes), then the optional header's magic.
  if (pe + 4 + 20 + 2 > headers.size() || std::memcmp(&headers[pe], "PE\0\0", 4) != 0) return std::nullopt;
  const size_t optional = pe + 24;
  const uint64_t magic = Little(headers, optional, 2);
  // The data directories start at 96 (PE32) or 112 (PE32+); the security one is the fifth.
  size_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
  if (directories == 0) return std::nullopt;
  const size_t countAt = optional + directories - 4;
  const size_t securityAt = optional + directories + 4 * 8;
  if (securityAt + 8 > headers.size()) return std::nullopt;
  ImageLayout layout;
  const uint64_t sections = Little(headers, pe + 6, 2);
  const uint64_t sectionTable = optional + Little(headers, pe + 20, 2);
  if (sectionTable + sections * 40 > headers.size()) return std::nullopt;
  for (uint64_t i = 0; i < sections; ++i) {
    const size_t at = sectionTable + i * 40;
    const uint64_t end = Little(headers, at + 20, 4) + Little(headers, at + 16, 4);
    if (end > layout.imageEnd) layout.imageEnd = end;
  }
  if (layout.imageEnd > fileSize) return std::nullopt;
  layout.contentEnd = fileSize;
  if (Little(headers, countAt, 4) <= 4) return layout;
  const uint64_t tableStart = Little(headers, securityAt, 4);  // a file offset, not an address
  const uint64_t tableSize = Little(headers, securityAt + 4, 4);
  if (tableStart == 0 && tableSize == 0) return layout;
  if (tableStart < layout.imageEnd || tableStart > fileSize || tableSize > fileSize - tableStart) return std::nullopt;
  layout.contentEnd = tableStart;
  return layout;
}

std::optional<Payload> FindPayload(std::span<const uint8_t> tail, uint64_t contentEnd, uint64_t imageEnd) {
  for (size_t padding = 0; padding <= kMaxPadding && kTrailerSize + padding <= tail.size(); ++padding) {
    const size_t end = tail.size() - padding;
    if (padding > 0 && tail[end] != 0) break;  // only zeros pad; a non-zero byte ends the search
    const size_t start = end - kTrailerSize;
    if (std::memcmp(&tail[end - 8], kTrailerMagic, 8) != 0) continue;
    Payload p;
    p.cabinetOffset = Little(tail, start, 8);
    p.cabinetSize = Little(tail, start + 8, 8);
    p.manifestSize = Little(tail, start + 16, 8);
    std::memcpy(p.manifestSha256, &tail[start + 24], 32);
    if (contentEnd < padding + kTrailerSize) return std::nullopt;
    const uint64_t trailerStart = contentEnd - padding - kTrailerSize;
    // The pieces lie back to back after the stub's image, the trailer last.
    if (p.cabinetSize == 0 || p.cabinetSize > kMaxCabinetSize || p.manifestSize == 0 ||
        p.manifestSize > kMaxManifestSize || p.cabinetOffset < imageEnd ||
        p.cabinetOffset + p.cabinetSize + p.manifestSize != trailerStart)
      return std::nullopt;
    p.manifestOffset = p.cabinetOffset + p.cabinetSize;
    return p;
  }
  return std::nullopt;
}

}  // namespace bundle
