// Owners for handles of WinINet, Windows Installer, terminal services and user profiles; apart
// from platform/handles.h so that only their users pay for these system headers.
#pragma once

#include <windows.h>
#include <msi.h>
#include <userenv.h>
#include <wininet.h>
#include <wtsapi32.h>

#include "platform/handles.h"

namespace platform {

using InternetHandle = UniqueOwner<ClosedBy<HINTERNET, &::InternetCloseHandle>>;
using MsiHandle = UniqueOwner<ClosedBy<MSIHANDLE, &::MsiCloseHandle>>;
using WtsMemory = UniqueOwner<ClosedBy<void*, &::WTSFreeMemory>>;
using EnvironmentBlock = UniqueOwner<ClosedBy<void*, &::DestroyEnvironmentBlock>>;

}  // namespace platform
