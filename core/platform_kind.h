// The vendor platform of the first product, from its "Platform" attribute.
#pragma once

#include <string>

#include "platform/text.h"

enum class PlatformKind : int {
  Other = 0,       // any other text
  OnPremises = 1,  // "OP"
  Online = 2,      // "SaaS", or no platform named
  Foundation = 3,  // "Foundation"
};

inline PlatformKind PlatformKindOf(const std::wstring& platformText) {
  if (text::EqualsNoCase(platformText, L"OP")) return PlatformKind::OnPremises;
  if (text::EqualsNoCase(platformText, L"SaaS") || platformText.empty()) return PlatformKind::Online;
  if (text::EqualsNoCase(platformText, L"Foundation")) return PlatformKind::Foundation;
  return PlatformKind::Other;
}
