// Splitting GIF data into its frames, each made a GIF of its own so a picture loader that shows
// only the first image of a file can show every frame. Works on bytes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gif {

// Shown this long when a frame asks for no delay (or next to none), as browsers do.
constexpr int kDefaultDelayMs = 100;

struct Frame {
  std::vector<uint8_t> bytes;  // a complete one-image GIF
  int left = 0, top = 0;       // where the frame lies on the logical screen
  int width = 0, height = 0;
  int delayMs = kDefaultDelayMs;
};

struct Animation {
  int width = 0, height = 0;  // the logical screen
  std::vector<Frame> frames;
};

// True when the data starts with the signature "GIF" (the version after it is not examined).
bool HasSignature(const void* data, size_t size);

// Every complete frame of the data. Parsing stops at the first block that is cut short or unknown,
// keeping the frames before it; data without even a screen descriptor gives no frames.
Animation Split(const void* data, size_t size);

}  // namespace gif
