// Culture texts and message boxes as the checks use them: no localization means empty texts
// and plain buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "checks/check_context.h"
#include "core/localization.h"

inline std::wstring CultureString(const CheckContext& context, UINT id) {
  return context.localization ? context.localization->String(id) : std::wstring();
}

inline std::wstring CultureMessage(const CheckContext& context, UINT id, const std::vector<std::wstring>& args) {
  return context.localization ? context.localization->Message(id, args) : std::wstring();
}

// Shows a box through the checks' prompts (owned by the wizard when it shows), with the buttons localised just before it appears.
inline int ShowCheckMessage(CheckContext& context, const std::wstring& text, const std::wstring& caption, UINT type) {
  Localization* localization = context.localization;
  return context.Prompts().Show(nullptr, text, caption, type, [localization] {
    if (localization) localization->InstallMessageBoxHook();
  });
}
