#include "ui/gif_frames.h"

#include <cstring>
#include <optional>

namespace gif {
namespace {

constexpr size_t kHeader = 6;
constexpr size_t kScreenDescriptor = 7;
constexpr size_t kImageDescriptor = 10;  // with its separator
constexpr uint8_t kExtension = 0x21, kImage = 0x2C, kTrailer = 0x3B, kGraphicControl = 0xF9;

int Word(const uint8_t* p) { return p[0] | (p[1] << 8); }

void PutWord(uint8_t* p, int value) {
  p[0] = static_cast<uint8_t>(value & 0xFF);
  p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Size of the colour table a packed field announces (bit 7 set), else 0.
size_t ColourTable(uint8_t packed) { return (packed & 0x80) ? 3u * (2u << (packed & 0x07)) : 0; }

// The end of a run of data sub-blocks starting at pos (just past its zero terminator).
std::optional<size_t> SkipSubBlocks(const uint8_t* d, size_t size, size_t pos) {
  while (pos < size) {
    uint8_t length = d[pos];
    pos += 1;
    if (length == 0) return pos;
    if (length > size - pos) return std::nullopt;
    pos += length;
  }
  return std::nullopt;
}

}  // namespace

bool HasSignature(const void* data, size_t size) {
  return data && size >= 3 && std::memcmp(data, "GIF", 3) == 0;
}

Animation Split(const void* data, size_t size) {
  Animation result;
  const auto* d = static_cast<const uint8_t*>(data);
  if (!HasSignature(data, size) || size < kHeader + kScreenDescriptor) return result;
  const uint8_t* screen = d + kHeader;
  size_t prefixEnd = kHeader + kScreenDescriptor + ColourTable(screen[4]);
  if (prefixEnd > size) return result;
  result.width = Word(screen);
  result.height = Word(screen + 2);

  size_t pos = prefixEnd;
  // Where the graphic control extension that applies to the next image starts (0: none).
  size_t control = 0;
  while (pos < size) {
    uint8_t kind = d[pos];
    if (kind == kTrailer) break;
    if (kind == kExtension) {
      if (size - pos < 2) break;
      auto end = SkipSubBlocks(d, size, pos + 2);
      if (!end) break;
      // A well-formed graphic control block: introducer, label, 4, four bytes, terminator.
      if (d[pos + 1] == kGraphicControl && *end - pos == 8 && d[pos + 2] == 4) control = pos;
      pos = *end;
      continue;
    }
    if (kind != kImage || size - pos < kImageDescriptor) break;
    const uint8_t* image = d + pos;
    size_t dataStart = pos + kImageDescriptor + ColourTable(image[9]);
    // The LZW code size byte, then the image's sub-blocks.
    if (dataStart >= size) break;
    auto end = SkipSubBlocks(d, size, dataStart + 1);
    if (!end) break;

    Frame frame;
    frame.left = Word(image + 1);
    frame.top = Word(image + 3);
    frame.width = Word(image + 5);
    frame.height = Word(image + 7);
    if (control) {
      int centiseconds = Word(d + control + 4);
      if (centiseconds > 1) frame.delayMs = centiseconds * 10;
    }
    std::vector<uint8_t>& out = frame.bytes;
    out.assign(d, d + prefixEnd);
    // The frame becomes a whole picture of its own size, placed at the screen's origin.
    PutWord(out.data() + kHeader, frame.width);
    PutWord(out.data() + kHeader + 2, frame.height);
    if (control) out.insert(out.end(), d + control, d + control + 8);
    size_t descriptorAt = out.size();
    out.insert(out.end(), d + pos, d + *end);
    PutWord(out.data() + descriptorAt + 1, 0);
    PutWord(out.data() + descriptorAt + 3, 0);
    out.push_back(kTrailer);
    result.frames.push_back(std::move(frame));
    control = 0;
    pos = *end;
  }
  return result;
}

}  // namespace gif
