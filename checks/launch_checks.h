// Questions and warnings of the definition before anything is installed: launch checks turn
// property tests into "True"/"False" properties, launch messages ask the user and may stop the
// run, and a suite uninstall ends with a confirmation listing the products.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "checks/check_context.h"
#include "core/platform_kind.h"
#include "definition/xml_document.h"

// The two wizard dialogs that some launch messages open instead of a message box.
class LaunchScreens {
 public:
  virtual ~LaunchScreens() = default;
  // The installation was cancelled because this Windows is not supported; modal.
  virtual void ShowUnsupportedOs() = 0;
  // Asks whether the document cache may be kept, showing the text; IDOK or IDCANCEL.
  virtual int ShowDocumentCache(const std::wstring& text) = 0;
};

// Evaluates every launch check and sets its property, the first check per property winning.
void RunLaunchChecks(CheckContext& context);

// What the launch messages need to know about the run beyond the check context.
// The user's document-cache choice: set by "/dcscache" and by the document-cache dialog, read by
// the launch messages (one spelling, so a choice made on the command line is seen).
constexpr wchar_t kDocumentCacheProperty[] = L"DCSCache";

struct LaunchSettings {
  PlatformKind platformKind = PlatformKind::Other;
  std::wstring shortName;
  bool solo = false;
  uint32_t modeFlags = 0;                        // the resolved mode flags
  std::optional<bool> documentCachePresent;      // unset: asked of the context's localization
  std::function<bool()> allFamilyMembersListed;  // unset: not all listed
  std::wstring suiteCaption;                     // the program's own string 1018
  LaunchScreens* screens = nullptr;              // none: the dialogs' texts go into message boxes
};

class LaunchMessages {
 public:
  LaunchMessages(CheckContext& context, LaunchSettings settings);

  // True to go on, false when an answer (or a silent "OK"/"OK" message) stops the run.
  bool ShowLaunchMessages();
  // True when the user agreed to remove every product of the suite.
  bool ConfirmSuiteUninstall();

 private:
  bool ShowMessage(int order, const XmlNode& message);
  bool ShowOrdinaryMessage(int order, const XmlNode& message, const std::wstring& info);
  bool OffersDocumentCacheDialog() const;
  bool DocumentCachePresent() const;

  CheckContext& context_;
  LaunchSettings settings_;
};
