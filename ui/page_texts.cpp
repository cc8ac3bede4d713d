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

ShownFolder ShortenedFolder(const std::wstring& full, int controlWidth,
                            const std::function<int(const std::wstring&)>& widthOf) {
  if (widthOf(full) <= controlWidth) return {full, false};
  // The last name with the backslash before it, and any trailing backslash after it.
  size_t end = full.find_last_not_of(L'\\');
  size_t slash = end == std::wstring::npos ? std::wstring::npos : full.rfind(L'\\', end);
  if (slash == std::wstring::npos || slash == 0) return {full, true};  // a name alone: nothing to leave out
  const std::wstring tail = L"..." + full.substr(slash);
  if (widthOf(tail) > controlWidth) return {full, true};  // nothing left out: the whole folder, wrapped
  // The longest beginning that still fits; the width grows with the length.
  size_t low = 0, high = slash;
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (widthOf(full.substr(0, mid) + tail) <= controlWidth) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  if (low > 0 && full[low - 1] >= 0xD800 && full[low - 1] <= 0xDBFF) --low;  // keep a pair whole
  return {full.substr(0, low) + tail, false};
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
