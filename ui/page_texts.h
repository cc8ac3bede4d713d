// The wizard pages' words and folder display that follow from the run alone, so that a page only
// loads the numbered texts and sets its controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/platform_kind.h"

// "A", "A and B", "A, B and C"; empty for no names.
std::wstring JoinProductNames(const std::vector<std::wstring>& names);
// What the pages call the products: the welcome name for an on-premises or one-product run (or
// when no product has a name), otherwise every product's name joined.
std::wstring ProductList(PlatformKind kind, bool solo, const std::wstring& welcomeName,
                         const std::vector<std::wstring>& names);

// Culture text numbers whose "%1" is the welcome name (welcome page title) and the product list
// (product page description).
UINT WelcomeTitleText(PlatformKind kind);
UINT ProductDescriptionText(PlatformKind kind);

struct InstallPageTexts {
  UINT modeWord = 0;             // culture text
  UINT title = 50136;            // "%1": the mode word
  UINT description = 50137;      // "%1": the mode word in lower case
  std::vector<int> hiddenControls;
};
InstallPageTexts InstallPageModeTexts(uint32_t modeFlags);

// The installation folder as a control `controlWidth` pixels wide shows it, `widthOf` giving the
// drawn width of a text in the control's font: the whole folder when it fits; else its beginning,
// "..." and its last folder name whole, with as much of the beginning as fits; when even "..."
// and the last name do not fit on one line, the whole folder, to be wrapped over more lines
// (`wraps`).
// Never cuts inside a surrogate pair.
struct ShownFolder {
  std::wstring text;
  bool wraps = false;
};
ShownFolder ShortenedFolder(const std::wstring& full, int controlWidth,
                            const std::function<int(const std::wstring&)>& widthOf);

// The folder the Browse button proposes: the chosen folder, the product's folder name and a
// trailing backslash, with no doubled backslash (a drive root such as "C:\" gives "C:\Name\").
// Empty when nothing was chosen.
std::wstring JoinBrowsedFolder(const std::wstring& chosen, const std::wstring& productFolder);
