#include "engine/vendor_links.h"

#include <map>

#include "definition/config_variables.h"
#include "platform/files.h"

namespace {

#define MS_DOWNLOAD L"https://download.microsoft.com/download/"
#define WI45_FOLDER MS_DOWNLOAD L"2/6/1/261fca42-22c0-4f91-9451-0e0f2e08356d/"
#define SQL2008R2_FOLDER MS_DOWNLOAD L"B/6/3/B63CAC7F-44BB-41FA-92A3-CBF71360F022/1033/"
#define SQL2012_FOLDER MS_DOWNLOAD L"F/3/C/F3C64941-22A0-47E9-BC9B-1A19B4CA3E88/ENU/"
#define FWLINK L"https://go.microsoft.com/fwlink/?LinkId="

const std::array<VendorLinkInfo, kVendorLinkCount> kTable = {{
    {VendorLink::DotNet472Web, L"{DotNet472WebInstallerUrl}",
     MS_DOWNLOAD L"0/5/C/05C1EC0E-D5EE-463B-BFE3-9311376A6809/NDP472-KB4054531-Web.exe", L"NDP472-KB4054531-Web.exe"},
    {VendorLink::DotNet45Web, L"{DotNet45WebInstallerUrl}",
     MS_DOWNLOAD L"B/A/4/BA4A7E71-2906-4B2D-A0E1-80CF16844F5F/dotNetFx45_Full_setup.exe", L"dotNetFx45_Full_setup.exe"},
    {VendorLink::DotNet4Web, L"{DotNet4WebInstallerUrl}",
     MS_DOWNLOAD L"1/B/E/1BE39E79-7E39-46A3-96FF-047F95396215/dotNetFx40_Full_setup.exe", L"dotNetFx40_full_setup.exe"},
    {VendorLink::DotNet35Sp1Web, L"{DotNet35Sp1WebInstallerUrl}",
     MS_DOWNLOAD L"7/0/3/703455ee-a747-4cc8-bd3e-98a615c3aedb/dotNetFx35setup.exe", L"dotNetFx35setup.exe"},
    {VendorLink::DotNet35Sp1Full, L"{DotNet35Sp1FullPackageUrl}",
     MS_DOWNLOAD L"2/0/e/20e90413-712f-438c-988e-fdaa79a8ac3d/dotnetfx35.exe", L"dotnetfx35.exe"},
    {VendorLink::WindowsInstaller45XpX86, L"{WindowsInstaller45XpX86Url}",
     WI45_FOLDER L"WindowsXP-KB942288-v3-x86.exe", L"WindowsXP-KB942288-v3-x86.exe"},
    {VendorLink::WindowsInstaller45Server2003X86, L"{WindowsInstaller45Server2003X86Url}",
     WI45_FOLDER L"WindowsServer2003-KB942288-v4-x86.exe", L"WindowsServer2003-KB942288-v4-x86.exe"},
    {VendorLink::WindowsInstaller45Server2003X64, L"{WindowsInstaller45Server2003X64Url}",
     WI45_FOLDER L"WindowsServer2003-KB942288-v4-x64.exe", L"WindowsServer2003-KB942288-v4-x64.exe"},
    {VendorLink::WindowsInstaller45Windows6X86, L"{WindowsInstaller45Windows6X86Url}",
     WI45_FOLDER L"Windows6.0-KB942288-v2-x86.msu", L"Windows6.0-KB942288-v2-x86.msu"},
    {VendorLink::WindowsInstaller45Windows6X64, L"{WindowsInstaller45Windows6X64Url}",
     WI45_FOLDER L"Windows6.0-KB942288-v2-x64.msu", L"Windows6.0-KB942288-v2-x64.MSU"},
    {VendorLink::SqlNativeClient2008X86, L"{SqlNativeClient2008X86Url}", FWLINK L"123717&clcid=0x409", L"sqlncli.msi"},
    {VendorLink::SqlNativeClient2008X64, L"{SqlNativeClient2008X64Url}", FWLINK L"123718&clcid=0x409", L"sqlncli.msi"},
    {VendorLink::SqlNativeClient2008R2X86, L"{SqlNativeClient2008R2X86Url}", SQL2008R2_FOLDER L"x86/sqlncli.msi",
     L"sqlncli.msi"},
    {VendorLink::SqlNativeClient2008R2X64, L"{SqlNativeClient2008R2X64Url}", SQL2008R2_FOLDER L"x64/sqlncli.msi",
     L"sqlncli.msi"},
    {VendorLink::SqlNativeClient2012X86, L"{SqlNativeClient2012X86Url}", SQL2012_FOLDER L"x86/sqlncli.msi",
     L"sqlncli.msi"},
    {VendorLink::SqlNativeClient2012X64, L"{SqlNativeClient2012X64Url}", SQL2012_FOLDER L"x64/sqlncli.msi",
     L"sqlncli.msi"},
    {VendorLink::SqlCmdLnUtils2008X86, L"{SqlCmdLnUtils2008X86Url}", FWLINK L"123719&clcid=0x409",
     L"SqlCmdLnUtils.msi"},
    {VendorLink::SqlCmdLnUtils2008X64, L"{SqlCmdLnUtils2008X64Url}", FWLINK L"123720&clcid=0x409",
     L"SqlCmdLnUtils.msi"},
    {VendorLink::SqlCmdLnUtils2008R2X86, L"{SqlCmdLnUtils2008R2X86Url}", SQL2008R2_FOLDER L"x86/SqlCmdLnUtils.msi",
     L"SqlCmdLnUtils.msi"},
    {VendorLink::SqlCmdLnUtils2008R2X64, L"{SqlCmdLnUtils2008R2X64Url}", SQL2008R2_FOLDER L"x64/SqlCmdLnUtils.msi",
     L"SqlCmdLnUtils.msi"},
    {VendorLink::SqlCmdLnUtils2012X86, L"{SqlCmdLnUtils2012X86Url}", SQL2012_FOLDER L"x86/SqlCmdLnUtils.msi",
     L"SqlCmdLnUtils.msi"},
    {VendorLink::SqlCmdLnUtils2012X64, L"{SqlCmdLnUtils2012X64Url}", SQL2012_FOLDER L"x64/SqlCmdLnUtils.msi",
     L"SqlCmdLnUtils.msi"},
}};

// Flavours 2 to 7 in order: 2008 x86, 2008 x64, 2008 R2 x86, 2008 R2 x64, 2012 x86, 2012 x64.
std::optional<VendorLink> ByFlavour(int flavour, VendorLink first) {
  if (flavour < 2 || flavour > 7) return std::nullopt;
  return static_cast<VendorLink>(static_cast<int>(first) + flavour - 2);
}

}  // namespace

const std::array<VendorLinkInfo, kVendorLinkCount>& VendorLinkTable() { return kTable; }

VendorLinks::VendorLinks() {
  for (const VendorLinkInfo& info : kTable) urls_[static_cast<size_t>(info.link)] = info.defaultUrl;
}

VendorLinks::VendorLinks(const ReadContext& values, const std::wstring& variablesListPath,
                         const std::wstring& localCopiesFolder)
    : VendorLinks() {
  localCopiesFolder_ = localCopiesFolder;
  // Read without the vendor's links as defaults, so that what the list itself names shows.
  std::map<std::wstring, std::wstring> named;
  for (const VendorLinkInfo& info : kTable) {
    named[info.variable] = L"";
    named[Sha256Variable(info)] = L"";
  }
  const auto settings = ReadConfigVariables(values, variablesListPath, std::move(named));
  for (const VendorLinkInfo& info : kTable) {
    const size_t i = static_cast<size_t>(info.link);
    const std::wstring& url = settings.at(info.variable);
    listed_[i] = !url.empty();
    if (listed_[i]) urls_[i] = url;
    sha256s_[i] = settings.at(Sha256Variable(info));
  }
}

std::wstring VendorLinks::Sha256Variable(const VendorLinkInfo& info) {
  std::wstring name = info.variable;
  return name.insert(name.size() - 1, L"Sha256");
}

std::wstring VendorLinks::LocalCopyPath(const std::wstring& folder, const VendorLinkInfo& info) {
  const std::wstring variable = info.variable;
  return folder + L"\\" + variable.substr(1, variable.size() - 2) + L"\\" + info.fileName;
}

std::wstring VendorLinks::LocalCopy(const std::wstring& url) const {
  if (localCopiesFolder_.empty()) return {};
  for (const VendorLinkInfo& info : kTable) {
    const size_t i = static_cast<size_t>(info.link);
    if (!listed_[i] || urls_[i] != url) continue;
    std::wstring path = LocalCopyPath(localCopiesFolder_, info);
    if (platform::FileExists(path)) return path;
  }
  return {};
}

std::optional<VendorLink> VendorLinks::SqlNativeClientFor(int flavour) {
  return ByFlavour(flavour, VendorLink::SqlNativeClient2008X86);
}

std::optional<VendorLink> VendorLinks::SqlCmdLnUtilsFor(int flavour) {
  return ByFlavour(flavour, VendorLink::SqlCmdLnUtils2008X86);
}
