// The built-in prerequisites carried out by the platform component installers.
#pragma once

#include <memory>
#include <string>

#include "engine/prerequisite_installer.h"
#include "platform/platform.h"

// Each call makes the installer it needs and drops it again, which removes its download folder.
// setupDirectory (with a trailing backslash) holds the variables list and, in an offline layout,
// the local copies that are used instead of downloading.
std::unique_ptr<BuiltInInstallers> MakeBuiltInInstallers(const EngineContext& context, platform::Platform& machine,
                                                         const std::wstring& setupDirectory,
                                                         const std::wstring& variablesListFileName);
