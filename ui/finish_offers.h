// The finish page's two offers, opening the readme and launching the dashboard: which file or
// program each one runs, from the definition's settings, the properties and the install folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/platform_kind.h"

// The "ReadMe" setting of a run: the last product's attribute when every product names one,
// empty as soon as one does not (a one-product run: that product's attribute).
std::wstring ChooseReadMe(const std::vector<std::wstring>& productReadMes);
// The "Dashboard" setting: "XPDashboard" on Windows XP and Server 2003, else "Dashboard"; empty
// when the definition gives neither for this system.
std::wstring ChooseDashboard(const std::wstring& dashboard, const std::wstring& xpDashboard, const std::wstring& os);
// A "ReadMe" or "Dashboard" property that hides its check box.
bool HidesOffer(const std::wstring& setting);

// The dashboard's name for its check box: the product's text, or, when that is empty, the culture's.
struct DashboardNameTexts {
  UINT productText = 0;
  UINT cultureText = 0;
};
DashboardNameTexts DashboardName(PlatformKind kind, int imageCultureOffset);

// The readme file: the "ReadMe" property, else one inside the install folder. Empty when there
// is no install folder, or the product culture is not a culture name (it becomes part of a path).
std::wstring ReadMePath(const std::wstring& readMeProperty, PlatformKind kind, const std::wstring& installDirectory,
                        const std::wstring& text1008, const std::wstring& productCulture);
// The dashboard shortcut below the all-users Programs folder, beginning with a backslash.
std::wstring DashboardShortcut(PlatformKind kind, const std::wstring& culture);

// What ShellExecuteExW opens ("open", normal window); empty program: nothing to open.
struct OfferLaunch {
  std::wstring program, parameters, workingFolder;
};
// Word (its install root, empty when none is installed) with the quoted readme, else the readme.
OfferLaunch ReadMeLaunch(const std::wstring& readMe, const std::wstring& wordInstallRoot);
// The "Dashboard" property, else the shortcut (empty when it does not exist), else the install
// folder's shell program with the dashboard profile.
OfferLaunch DashboardLaunch(const std::wstring& dashboardProperty, const std::wstring& existingShortcut,
                            const std::wstring& installDirectory);

// The tops of the controls at the bottom of the finish page, the log link and the offers, in
// page order from their heights: the last keeps `margin` from the page's bottom, each the `gap`
// from the next, so none touches the button strip whatever the DPI made the heights.
std::vector<int> BottomStackTops(int pageBottom, int margin, int gap, const std::vector<int>& heights);
