// The two dialogs of the launch messages: the document-cache question and the notice that this
// Windows is not supported (also shown by the upgrade worker).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class Localization;

struct DocumentCacheQuestion {
  std::wstring text;                // the message, as the definition gives it
  std::wstring caption;             // the product display name
  bool singleProduct = false;       // one product: the text is measured without word breaks
  Localization* localization = nullptr;
  std::function<void()> discardCache;  // the user cleared the keep box and confirmed
};
// Modal; IDOK or IDCANCEL.
int ShowDocumentCacheDialog(HWND owner, const DocumentCacheQuestion& question);

// The web pages the unsupported-system notice links to, from the variables list.
struct SystemRequirementsPages {
  std::wstring requirements, onPremisesRequirements, regionalProduct;
};
// Their settings' names and defaults, as the variables list may override them.
SystemRequirementsPages DefaultSystemRequirementsPages();

struct UnsupportedSystemNotice {
  std::wstring caption;  // the product display name
  std::wstring link;     // the page the link opens
};
// The page for the product culture and platform: the support site's requirements ("en-US",
// a page of its own for on-premises products), else the regional product page.
std::wstring SystemRequirementsLink(const SystemRequirementsPages& pages, const std::wstring& productCulture,
                                    bool onPremises);
// Modal.
void ShowUnsupportedSystemDialog(HWND owner, const UnsupportedSystemNotice& notice);
