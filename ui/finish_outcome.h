// What the finish page reports: its title and outcome text by mode and code, the per-product table,
// and whether the readme and dashboard check boxes show. The page loads the numbered culture texts
// and gives the loaded ones back where a text is an argument.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/platform_kind.h"

struct FinishModeTexts {
  UINT modeWord = 0;
  UINT completionPhrase = 0;  // 0: none
};
FinishModeTexts FinishModeWords(uint32_t modeFlags, int setupResultCode);

// The support text, an argument of the failure texts.
UINT SupportText(PlatformKind kind);

// The products' outcomes walked in catalog order: mixed when a succeeded and a failed one were both
// seen (never for a one-product run); setupSuccess is "True" or "False" for the last product
// walked, the value the "SetupSuccess" property is left with, empty when none was walked.
struct OutcomeWalk {
  bool mixed = false;
  std::wstring setupSuccess;
};
OutcomeWalk WalkOutcomes(const std::vector<bool>& succeeded, bool single);

// Whether the readme and dashboard check boxes may show at all (each may still be hidden by its
// own setting).
bool CheckBoxesShown(uint32_t modeFlags, int setupResultCode, bool mixed);

struct OutcomeInputs {
  uint32_t modeFlags = 0;
  int setupResultCode = 0;
  bool mixed = false;
  bool restartRequired = false;
  bool prerequisitesPassed = true;
  PlatformKind kind = PlatformKind::Other;
  std::wstring productCulture;
  // Loaded texts: the mode word and completion phrase (FinishModeWords), the support text, the
  // description of the run's code, the welcome name (product text 1007) and the product list.
  std::wstring modeWord, completionPhrase, supportText, description, welcomeName, productList;
};

enum class OutcomeBody {
  Clear,   // empty the outcome text
  Keep,    // leave it as it is
  Format,  // culture text `bodyText` formatted with `bodyArgs`
};

struct OutcomeTexts {
  UINT title = 0;  // "%1": the mode word
  bool showTable = false;
  OutcomeBody body = OutcomeBody::Keep;
  UINT bodyText = 0;
  std::vector<std::wstring> bodyArgs;
  bool recordReboot = false;  // record the reboot-required state before showing the texts
  // A run that did not simply succeed: the culture text saying what it changed and what it did
  // not (0: none, the body already says what to do), after the body; and the setup log's link.
  UINT changes = 0;
  bool showLog = false;
};
OutcomeTexts FinishOutcome(const OutcomeInputs& in);

// The component or update manager a reboot (103010) of an install run is for: the product itself
// when it is one of the components, else the update manager of its platform and culture.
std::wstring RebootComponentName(const std::wstring& welcomeName, PlatformKind kind,
                                 const std::wstring& productCulture);

// The status cell of a product's row in the outcome table.
std::wstring StatusCell(bool succeeded, int resultCode, const std::wstring& description);
