// The fixed-size record the setup writes to progress.exe's standard input: a little-endian
// 32-bit code, then 260 UTF-16 units (the text, a zero, zeros). Both programs build and read it
// from here; header-only, so progress.exe links nothing of the setup.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr size_t kProgressTextUnits = 260;
constexpr size_t kProgressRecordSize = 4 + kProgressTextUnits * 2;  // 524
using ProgressRecord = std::array<unsigned char, kProgressRecordSize>;

// What a record's code tells progress.exe.
struct ProgressCodes {
  static constexpr uint32_t kFinished = 1;
  static constexpr uint32_t kFailed = 2;
  static constexpr uint32_t kStatus = 3;
  static constexpr uint32_t kNotSupported = 4;
  // How far the run is, 0 to 100, as decimal text; a program that does not know it ignores it.
  static constexpr uint32_t kPosition = 5;
};

// Texts longer than 259 units are cut; the rest of the record is zero.
inline ProgressRecord BuildProgressRecord(uint32_t code, std::wstring_view text) {
  ProgressRecord record{};
  for (int i = 0; i < 4; ++i) record[i] = static_cast<unsigned char>(code >> (8 * i));
  const size_t units = std::min(text.size(), kProgressTextUnits - 1);
  for (size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<uint16_t>(text[i]);
    record[4 + 2 * i] = static_cast<unsigned char>(unit & 0xFF);
    record[5 + 2 * i] = static_cast<unsigned char>(unit >> 8);
  }
  return record;
}

inline uint32_t ProgressRecordCode(const ProgressRecord& record) {
  return static_cast<uint32_t>(record[0]) | static_cast<uint32_t>(record[1]) << 8 |
         static_cast<uint32_t>(record[2]) << 16 | static_cast<uint32_t>(record[3]) << 24;
}

// The text up to its first zero unit.
inline std::wstring ProgressRecordText(const ProgressRecord& record) {
  std::wstring text;
  for (size_t offset = 4; offset + 1 < kProgressRecordSize; offset += 2) {
    const auto unit = static_cast<wchar_t>(record[offset] | record[offset + 1] << 8);
    if (unit == 0) break;
    text += unit;
  }
  return text;
}
