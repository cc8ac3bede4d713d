#include "app/layout.h"

#include <utility>
#include <vector>

#include "core/exit_codes.h"
#include "core/log_file.h"
#include "engine/component_installer.h"
#include "engine/vendor_links.h"
#include "platform/file_copy.h"
#include "platform/folder_tree.h"

namespace {

std::wstring ParentOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  return path.substr(0, slash < 3 ? 3 : slash);
}

// A layout folder must be ours to fill: a link (or a link below it) would carry what the setup
// writes as administrator to wherever its maker chose. A missing folder is made later, in the
// nearest existing folder above it, which must not be a link either.
bool FolderUsable(LogFile& log, platform::Security& security, const std::wstring& folder) {
  std::wstring at = folder;
  platform::FolderFacts facts = security.InspectFolder(at);
  while (facts.kind == platform::FolderFacts::Kind::Missing) {
    const std::wstring parent = ParentOf(at);
    if (parent.empty() || parent == at) break;
    at = parent;
    facts = security.InspectFolder(at);
  }
  switch (facts.kind) {
    case platform::FolderFacts::Kind::Directory:
      if (at == folder && security.HoldsLink(folder)) {
        log.Log(L"The layout folder %s holds a link; nothing is written through it.", folder);
        return false;
      }
      return true;
    case platform::FolderFacts::Kind::Link:
      log.Log(L"%s is a link; nothing is written through it.", at);
      return false;
    case platform::FolderFacts::Kind::Other:
      log.Log(L"%s is a file, not a folder.", at);
      return false;
    case platform::FolderFacts::Kind::Unreadable:
      log.Log(L"%s cannot be inspected (error code %d).", at, static_cast<int>(facts.error));
      return false;
    case platform::FolderFacts::Kind::Missing:
      break;
  }
  log.Log(L"No folder above %s exists to make it in.", folder);
  return false;
}

// Copies the folder's tree into `to`, which exists. Links in the distribution are not followed:
// what they lead to is no part of it.
bool CopyTree(LogFile& log, const std::wstring& from, const std::wstring& to) {
  std::vector<platform::FolderEntry> entries;
  if (const DWORD error = platform::ListFolder(from, entries)) {
    log.Log(L"Listing %s failed with error code %d", from, static_cast<int>(error));
    return false;
  }
  for (const platform::FolderEntry& entry : entries) {
    const std::wstring source = from + L"\\" + entry.name, target = to + L"\\" + entry.name;
    if (entry.link) {
      log.Log(L"%s is a link; it is not copied.", source);
      continue;
    }
    const DWORD error = entry.folder ? platform::CreatePlainFolder(target) : platform::CopyAsNewFile(source, target);
    if (error != 0) {
      log.Log(L"Copying %s to %s failed with error code %d", source, target, static_cast<int>(error));
      return false;
    }
    if (!entry.folder)
      log.Log(L"Copied %s", target);
    else if (!CopyTree(log, source, target))
      return false;
  }
  return true;
}

struct Fetched {
  std::wstring file;    // in the fetcher's work folder
  std::wstring target;  // in the layout
};

}  // namespace

int LayOut(const ReadContext& values, platform::Platform& machine, const LayoutRequest& request) {
  LogFile& log = values.log;
  const std::wstring distribution = platform::FullPath(request.distribution);
  const std::wstring folder = platform::FullPath(request.folder);
  if (folder.empty()) {
    log.Log(L"The layout folder %s is not a usable path; nothing was laid out.", request.folder);
    return exit_code::Failed;
  }
  log.Log(L"Laying out %s in %s", distribution, folder);
  // A copy into itself would copy its own copies without end.
  if (platform::IsSameOrInside(folder, distribution)) {
    log.Log(L"The layout folder %s is the distribution folder or lies inside it; nothing was laid out.", folder);
    return exit_code::Failed;
  }
  if (!FolderUsable(log, machine.security, folder)) {
    log.WriteLine(L"Nothing was laid out.");
    return exit_code::Failed;
  }

  // Everything is fetched before anything is written: a failed download leaves the layout folder
  // as it was.
  const VendorLinks links(values, request.variablesListPath);
  ComponentInstaller fetcher(log, machine, request.logFolder);
  const std::wstring copies = folder + L"\\" + kLocalCopiesFolderName;
  std::vector<Fetched> fetched;
  for (const VendorLinkInfo& info : VendorLinkTable()) {
    if (!links.Listed(info.link)) continue;
    const std::wstring variable = info.variable;
    const std::wstring url = links.Url(info.link);
    // Named after the link too: several links save files of the same name.
    const std::wstring name = variable.substr(1, variable.size() - 2) + L"." + info.fileName;
    std::wstring file = fetcher.Fetch(url, name, links.Sha256(info.link));
    if (file.empty()) {
      log.Log(L"Fetching %s for %s failed with code %d; nothing was laid out.", url, variable,
              static_cast<int>(fetcher.exitCode));
      return exit_code::Failed;
    }
    fetched.push_back({std::move(file), VendorLinks::LocalCopyPath(copies, info)});
  }
  if (fetched.empty()) log.WriteLine(L"The variables list names no download link; no file is fetched.");

  if (const DWORD error = platform::CreateFolderPath(folder)) {
    log.Log(L"Creating %s failed with error code %d; nothing was laid out.", folder, static_cast<int>(error));
    return exit_code::Failed;
  }
  // Asked again now that it stands: the downloads took time, in which a link could be planted.
  if (!FolderUsable(log, machine.security, folder)) {
    log.WriteLine(L"Nothing was laid out.");
    return exit_code::Failed;
  }
  if (!CopyTree(log, distribution, folder)) {
    log.Log(L"The layout in %s is incomplete.", folder);
    return exit_code::Failed;
  }
  for (const Fetched& file : fetched) {
    DWORD error = platform::CreatePlainFolder(copies);
    if (error == 0) error = platform::CreatePlainFolder(ParentOf(file.target));
    if (error == 0) error = platform::CopyAsNewFile(file.file, file.target);
    if (error != 0) {
      log.Log(L"Copying %s to %s failed with error code %d; the layout in %s is incomplete.", file.file, file.target,
              static_cast<int>(error), folder);
      return exit_code::Failed;
    }
    log.Log(L"Copied %s", file.target);
  }
  log.Log(L"Laid out %s in %s with %d downloaded files", distribution, folder, static_cast<int>(fetched.size()));
  return exit_code::Success;
}
