// Where the platform components' vendor installers are fetched from: the vendor's published
// link by default, or a mirror named by a ConfigVariable of the variables list; and the SHA-256
// the fetched file must have, when the list gives one ("{NameSha256}" beside "{Name}"). An offline
// layout keeps the file of each link the list names below "Prerequisites\" in the distribution,
// where a run from the layout takes it instead of downloading.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "definition/read_context.h"

class LogFile;

enum class VendorLink {
  DotNet472Web,
  DotNet45Web,
  DotNet4Web,
  DotNet35Sp1Web,
  DotNet35Sp1Full,
  WindowsInstaller45XpX86,
  WindowsInstaller45Server2003X86,
  WindowsInstaller45Server2003X64,
  WindowsInstaller45Windows6X86,
  WindowsInstaller45Windows6X64,
  SqlNativeClient2008X86,
  SqlNativeClient2008X64,
  SqlNativeClient2008R2X86,
  SqlNativeClient2008R2X64,
  SqlNativeClient2012X86,
  SqlNativeClient2012X64,
  SqlCmdLnUtils2008X86,
  SqlCmdLnUtils2008X64,
  SqlCmdLnUtils2008R2X86,
  SqlCmdLnUtils2008R2X64,
  SqlCmdLnUtils2012X86,
  SqlCmdLnUtils2012X64,
};
constexpr size_t kVendorLinkCount = static_cast<size_t>(VendorLink::SqlCmdLnUtils2012X64) + 1;

struct VendorLinkInfo {
  VendorLink link;
  const wchar_t* variable;    // the ConfigVariable's Name, braces included
  const wchar_t* defaultUrl;  // the vendor's own link
  const wchar_t* fileName;    // what the component installer saves the file as
};
// Every link, in the order of the enumeration.
const std::array<VendorLinkInfo, kVendorLinkCount>& VendorLinkTable();

class VendorLinks {
 public:
  // The vendor's links only.
  VendorLinks();
  // The vendor's links, each replaced by a non-empty ConfigVariable of the variables list at
  // that path; a missing or unreadable list leaves the vendor's links and no digests.
  // localCopiesFolder: a layout's folder of downloaded files (see LocalCopyPath); empty: none.
  VendorLinks(const ReadContext& values, const std::wstring& variablesListPath,
              const std::wstring& localCopiesFolder = {});

  const std::wstring& Url(VendorLink link) const { return urls_[static_cast<size_t>(link)]; }
  // The SHA-256 the list gives for the link's file, as written; empty when it gives none.
  const std::wstring& Sha256(VendorLink link) const { return sha256s_[static_cast<size_t>(link)]; }
  // The ConfigVariable that holds a link's SHA-256: "{DotNet4WebInstallerUrlSha256}" for
  // "{DotNet4WebInstallerUrl}".
  static std::wstring Sha256Variable(const VendorLinkInfo& info);
  // Does the variables list name the link with a non-empty value? Only those are laid out.
  bool Listed(VendorLink link) const { return listed_[static_cast<size_t>(link)]; }

  // Where a layout keeps a link's file: "<folder>\<variable without braces>\<file name>", one
  // folder per link, since several links save files of the same name.
  static std::wstring LocalCopyPath(const std::wstring& folder, const VendorLinkInfo& info);
  // What the component installer saves the link's file as (the table's one name for it).
  static const wchar_t* FileName(VendorLink link) { return VendorLinkTable()[static_cast<size_t>(link)].fileName; }
  // The local copy of the file at `url`: that of a link the list names with this URL, when the
  // file is there; empty otherwise (and always without a local copies folder).
  std::wstring LocalCopy(const std::wstring& url) const;

  // The packages of a SqlClientFlavour (2 to 7); none for any other value.
  static std::optional<VendorLink> SqlNativeClientFor(int flavour);
  static std::optional<VendorLink> SqlCmdLnUtilsFor(int flavour);

 private:
  std::array<std::wstring, kVendorLinkCount> urls_;
  std::array<std::wstring, kVendorLinkCount> sha256s_;
  std::array<bool, kVendorLinkCount> listed_{};
  std::wstring localCopiesFolder_;
};

// The layout's folder of downloaded files, below the distribution folder.
constexpr wchar_t kLocalCopiesFolderName[] = L"Prerequisites";
