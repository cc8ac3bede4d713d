// The texts a run shows about its products: the display name, texts 1007 and 1008 and the three
// window titles, from the products' resource libraries and the culture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/platform_kind.h"
#include "definition/product.h"

class Localization;
namespace platform {
class Prompts;
}

struct ProductTextSettings {
  PlatformKind kind = PlatformKind::Other;
  bool solo = false;        // one product in the definition
  uint32_t modeFlags = 0;   // the decided run mode
  bool silent = false;
  std::wstring setupDirectory;
  platform::Prompts* prompts = nullptr;
  Localization* localization = nullptr;
  HMODULE ownResources = nullptr;  // setup.exe's own strings (the suite name, 1018)
};

class ProductTexts {
 public:
  // Loads every product's resource library, then takes the first product's texts; false when a
  // library is missing (told as the library loader tells it), leaving the texts as they were.
  bool Load(const ProductCatalog& products, const ProductTextSettings& settings);

  const std::wstring& DisplayName() const { return displayName_; }
  const std::wstring& Text1007() const { return text1007_; }
  const std::wstring& Text1008() const { return text1008_; }
  const std::wstring& Title(int n) const { return titles_[n - 1]; }  // 1..3
  const std::wstring& CurrentTitle() const { return currentTitle_; }

 private:
  std::wstring displayName_, text1007_, text1008_;
  std::wstring titles_[3];
  std::wstring currentTitle_;
};
