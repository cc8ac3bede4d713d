// The external-UI context of Windows Installer during a wizard run: how a confirmed Cancel
// reaches a running package. The page fills the question; the handler asks it on the
// installing thread at the next progress message.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

class Localization;
namespace platform {
class Prompts;
}

struct MSIInterface {
  HWND owner = nullptr;                     // the install page, owner of the question
  std::atomic<bool> questionPending{false};  // the user pressed Cancel; ask at the next progress
  UINT boxType = 0;
  std::wstring question, caption;
  std::atomic<bool> cancelled{false};       // confirmed: every later progress message cancels
  platform::Prompts* prompts = nullptr;
  Localization* localization = nullptr;     // localised buttons of the question
  // Shared by the contexts of one wizard: once the user has confirmed, no later sequence asks.
  std::shared_ptr<std::atomic<bool>> askingPermitted = std::make_shared<std::atomic<bool>>(true);
};

// MsiSetExternalUIW's handler; context is an MSIInterface.
int WINAPI MsiExternalUIHandler(LPVOID context, UINT messageType, LPCWSTR message);
