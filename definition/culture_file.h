// The culture file: which culture's texts a run shows and which culture its products are.
#pragma once

#include <string>

#include "core/localization.h"
#include "definition/read_context.h"

// Reads "ZIVaroradaZadu.xml" beside setup.exe, or the variables list when that file is absent.
// A missing or unusable name is logged and becomes "en-US".
CultureNames ReadCultureNames(const ReadContext& context, const std::wstring& setupDirectory,
                              const std::wstring& variablesListFileName);
