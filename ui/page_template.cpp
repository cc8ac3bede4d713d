#include "ui/page_template.h"

#include <cstring>
#include <tuple>

namespace {

constexpr size_t kHeaderBytes = 26;  // dlgVer .. cy
constexpr size_t kWidthOffset = 22, kHeightOffset = 24;

// Skips a sz_Or_Ord field (none, an ordinal, or a zero-terminated string); false past the end.
bool SkipNameOrOrdinal(const BYTE* data, size_t size, size_t* at) {
  if (*at + 2 > size) return false;
  WORD first = 0;
  std::memcpy(&first, data + *at, 2);
  if (first == 0x0000) {
    *at += 2;
  } else if (first == 0xFFFF) {
    *at += 4;
  } else {
    for (;;) {
      if (*at + 2 > size) return false;
      WORD unit = 0;
      std::memcpy(&unit, data + *at, 2);
      *at += 2;
      if (unit == 0) break;
    }
  }
  return *at <= size;
}

INT_PTR CALLBACK NothingHandled(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

size_t FontPointsOffset(const BYTE* data, size_t size) {
  if (!data || size < kHeaderBytes) return 0;
  WORD version = 0, signature = 0;
  DWORD style = 0;
  std::memcpy(&version, data, 2);
  std::memcpy(&signature, data + 2, 2);
  std::memcpy(&style, data + 12, 4);
  if (version != 1 || signature != 0xFFFF || !(style & DS_SETFONT)) return 0;
  size_t at = kHeaderBytes;
  for (int field = 0; field < 3; ++field) {  // menu, class, title
    if (!SkipNameOrOrdinal(data, size, &at)) return 0;
  }
  return at + 2 <= size ? at : 0;
}

std::vector<BYTE> WithFontPoints(const BYTE* data, size_t size, WORD points, SIZE from, SIZE to) {
  const size_t offset = FontPointsOffset(data, size);
  if (!offset) return {};
  std::vector<BYTE> copy(data, data + size);
  std::memcpy(copy.data() + offset, &points, 2);
  for (auto [at, num, den] : {std::tuple{kWidthOffset, to.cx, from.cx}, std::tuple{kHeightOffset, to.cy, from.cy}}) {
    short extent = 0;
    std::memcpy(&extent, copy.data() + at, 2);
    // Rounded up: the page must hold what its controls take at the new font.
    if (den > 0 && num > 0) extent = static_cast<short>((static_cast<long long>(extent) * num + den - 1) / den);
    std::memcpy(copy.data() + at, &extent, 2);
  }
  return copy;
}

WORD FittingFontPoints(WORD designPoints, WORD smallestPoints, const std::function<SIZE(WORD points)>& pageSize,
                       SIZE sheetExtra, SIZE workArea) {
  for (WORD points = designPoints; points > smallestPoints; --points) {
    const SIZE page = pageSize(points);
    if (page.cx <= 0 || page.cy <= 0) return designPoints;  // nothing measured: leave the design alone
    if (page.cx + sheetExtra.cx <= workArea.cx && page.cy + sheetExtra.cy <= workArea.cy) return points;
  }
  return smallestPoints;
}

SIZE MeasurePage(HMODULE module, UINT templateId, WORD points) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  std::vector<BYTE> copy = bytes ? WithFontPoints(bytes, SizeofResource(module, found), points) : std::vector<BYTE>();
  if (copy.empty()) return {};
  // A hidden pop-up of its own without its controls: a page's size depends on its font alone.
  DWORD style = 0;
  std::memcpy(&style, copy.data() + 12, 4);
  style = (style & ~(WS_CHILD | WS_VISIBLE | DS_CONTROL | WS_CAPTION)) | WS_POPUP;
  std::memcpy(copy.data() + 12, &style, 4);
  const WORD noControls = 0;
  std::memcpy(copy.data() + 16, &noControls, 2);
  HWND window = CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), nullptr,
                                           NothingHandled, 0);
  if (!window) return {};
  RECT client{};
  GetClientRect(window, &client);
  DestroyWindow(window);
  return {client.right, client.bottom};
}
