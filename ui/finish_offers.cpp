#include "ui/finish_offers.h"

#include "core/localization.h"
#include "platform/text.h"

namespace {

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// The folder a program starts in: the one holding the file; a drive root keeps its backslash.
std::wstring FolderOf(const std::wstring& file) {
  size_t slash = file.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  std::wstring folder = file.substr(0, slash);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

}  // namespace

std::wstring ChooseReadMe(const std::vector<std::wstring>& productReadMes) {
  std::wstring chosen;
  for (const std::wstring& readMe : productReadMes) {
    if (readMe.empty()) return {};
    chosen = readMe;
  }
  return chosen;
}

std::wstring ChooseDashboard(const std::wstring& dashboard, const std::wstring& xpDashboard, const std::wstring& os) {
  bool oldSystem = os == L"XP" || os == L"WinXPx64" || os == L"Win2003" || os == L"Win2003R2";
  if (!xpDashboard.empty() && oldSystem) return xpDashboard;
  return dashboard;
}

bool HidesOffer(const std::wstring& setting) { return text::EqualsNoCase(setting, L"Hide"); }

DashboardNameTexts DashboardName(PlatformKind kind, int imageCultureOffset) {
  UINT product = kind == PlatformKind::Online ? 31016 : 1016;
  return {product + imageCultureOffset, 1016u + imageCultureOffset};
}

std::wstring ReadMePath(const std::wstring& readMeProperty, PlatformKind kind, const std::wstring& installDirectory,
                        const std::wstring& text1008, const std::wstring& productCulture) {
  if (!readMeProperty.empty()) return readMeProperty;
  // Without a folder the name alone would open whatever file of that name the current folder holds.
  if (installDirectory.empty()) return {};
  std::wstring folder = WithBackslash(installDirectory);
  if (kind != PlatformKind::OnPremises) return folder + L"Readme.rtf";
  if (!Localization::IsCultureName(productCulture)) return {};
  return WithBackslash(folder + text1008) + L"Readme_" + productCulture + L".rtf";
}

std::wstring DashboardShortcut(PlatformKind kind, const std::wstring& culture) {
  if (kind == PlatformKind::Online) return L"\\ZEM Telvia\\Dashboard.lnk";
  if (text::EqualsNoCase(culture, L"en-CA")) return L"\\ZEM Brindle Suite\\Dashboard.lnk";
  return L"\\Orvanta Suite\\Dashboard.lnk";
}

OfferLaunch ReadMeLaunch(const std::wstring& readMe, const std::wstring& wordInstallRoot) {
  // A quotation mark cannot be in a file name; in a parameter it would end the file name early.
  if (readMe.empty() || readMe.find(L'"') != std::wstring::npos) return {};
  if (wordInstallRoot.empty()) return {readMe, L"", FolderOf(readMe)};
  return {WithBackslash(wordInstallRoot) + L"winword.exe", L"\"" + readMe + L"\"", FolderOf(readMe)};
}

OfferLaunch DashboardLaunch(const std::wstring& dashboardProperty, const std::wstring& existingShortcut,
                            const std::wstring& installDirectory) {
  if (!dashboardProperty.empty()) return {dashboardProperty, L"", FolderOf(dashboardProperty)};
  if (!existingShortcut.empty()) return {existingShortcut, L"", FolderOf(existingShortcut)};
  if (installDirectory.empty()) return {};
  std::wstring program = WithBackslash(installDirectory) + L"ZEM.CommonUIFramework.Shell.exe";
  return {program, L"DashboardProfile", FolderOf(program)};
}

std::vector<int> BottomStackTops(int pageBottom, int margin, int gap, const std::vector<int>& heights) {
  std::vector<int> tops(heights.size());
  int bottom = pageBottom - margin;
  for (size_t i = heights.size(); i-- > 0;) {
    tops[i] = bottom - heights[i];
    bottom = tops[i] - gap;
  }
  return tops;
}
