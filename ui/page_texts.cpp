#include "ui/page_texts.h"

#include <algorithm>

#include "core/run_mode.h"
#include "resources/wizard_ids.h"

std::wstring JoinProductNames(const std::vector<std::wstring>& names) {
  std::wstring joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += (i + 1 == names.size()) ? L" and " : L", ";
    joined += names[i];
  }
  return joined;
}

std::wstring ProductList(PlatformKind kind, bool solo, const std::wstring& welcomeName,
                         const std::vector<std::wstring>& names) {
  if (kind == PlatformKind::OnPremises || solo || names.empty()) return welcomeName;
  return JoinProductNames(names);
}

UINT WelcomeTitleText(PlatformKind kind) { return kind == PlatformKind::OnPremises ? 50145 : 50225; }

UINT ProductDescriptionText(PlatformKind kind) { return kind == PlatformKind::Foundation ? 50283 : 1015; }

InstallPageTexts InstallPageModeTexts(uint32_t modeFlags) {
  // The template's notes: an upgrade shows them all.
  InstallPageTexts texts;
  if (modeFlags & mode::Install) {
    texts.modeWord = 50111;
    texts.hiddenControls = {IDC_INSTALL_NOTE};
  } else if (modeFlags & mode::Uninstall) {
    texts.modeWord = 50112;
    texts.hiddenControls = {IDC_UPGRADE_NOTE, IDC_INSTALL_NOTE};
  } else if (modeFlags & mode::Upgrade) {
    texts.modeWord = 50124;
  } else {
    texts.modeWord = 50123;
    texts.hiddenControls = {IDC_INSTALL_NOTE};
  }
  return texts;
}

std::wstring ShortenedFolder(const std::wstring& full, int controlWidth, int textWidth, int averageCharWidth,
                             size_t compactedLength) {
  if (controlWidth >= textWidth + averageCharWidth) return full;
  // "..." and a tail two characters shorter than the compacted form: it fits where that did and
  // keeps the end of the path, the part that tells folders apart.
  size_t tail = compactedLength > 5 ? compactedLength - 5 : 0;
  if (tail >= full.size()) return full;
  size_t start = full.size() - tail;
  // Never start inside a surrogate pair.
  if (start < full.size() && full[start] >= 0xDC00 && full[start] <= 0xDFFF) ++start;
  return L"..." + full.substr(start);
}

std::wstring JoinBrowsedFolder(const std::wstring& chosen, const std::wstring& productFolder) {
  if (chosen.empty()) return {};
  std::wstring joined = chosen + L"\\" + productFolder + L"\\";
  // A drive root already ends in a backslash, and so may a folder name from the definition: any
  // run of backslashes becomes one, except the two that open a network path.
  size_t keep = joined.compare(0, 2, L"\\\\") == 0 ? 2 : 0;
  std::wstring out = joined.substr(0, keep);
  for (size_t i = keep; i < joined.size(); ++i) {
    if (joined[i] == L'\\' && !out.empty() && out.back() == L'\\') continue;
    out += joined[i];
  }
  return out;
}
