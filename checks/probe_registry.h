// Registry reads shared by the component probes: the view choice and typed value reads.
#pragma once

#include <windows.h>

#include <string>

#include "platform/registry.h"
#include "platform/system_queries.h"

namespace probe_registry {

// The 64-bit view when Windows reports this process as running under 64-bit emulation,
// else the 32-bit view.
platform::View Wow64AwareView(platform::SystemQueries& system);

// A REG_DWORD (or REG_QWORD, truncated) value of HKEY_LOCAL_MACHINE; error holds the status
// when it cannot be read (ERROR_INVALID_DATATYPE for a value of another type).
bool ReadNumber(platform::Registry& registry, const std::wstring& key, const std::wstring& name,
                platform::View view, DWORD& number, LONG& error);

// A text value (REG_SZ, REG_EXPAND_SZ unexpanded, the first text of REG_MULTI_SZ) of
// HKEY_LOCAL_MACHINE.
bool ReadText(platform::Registry& registry, const std::wstring& key, const std::wstring& name,
              platform::View view, std::wstring& text, LONG& error);

}  // namespace probe_registry
