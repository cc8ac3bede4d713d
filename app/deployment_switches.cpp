#include "app/deployment_switches.h"

#include "core/localization.h"
#include "platform/text.h"

namespace {

using Kind = platform::FolderFacts::Kind;

constexpr unsigned kHelpText = 50301;

}  // namespace

std::wstring UnfitLogFile(platform::Security& security, const std::wstring& file) {
  const size_t slash = file.find_last_of(L'\\');
  if (file.size() < 4 || file[1] != L':' || file[2] != L'\\' || slash == std::wstring::npos || slash + 1 == file.size())
    return L"it is not the full path of a file";
  const std::wstring folder = slash == 2 ? file.substr(0, 3) : file.substr(0, slash);
  // Every folder on the way: a link anywhere would take the lines elsewhere. The last one looked at
  // is the file's own folder (a drive's root is looked at after the walk, which never reaches it).
  platform::FolderFacts facts;
  for (size_t at = file.find(L'\\', 3); at != std::wstring::npos && at <= slash; at = file.find(L'\\', at + 1)) {
    const std::wstring step = file.substr(0, at);
    facts = security.InspectFolder(step);
    if (facts.kind == Kind::Link) return step + L" is a link";
    if (facts.kind == Kind::Other) return step + L" is a file, not a folder";
    if (facts.kind == Kind::Unreadable)
      return text::Format(L"%s cannot be read (error code %d)", step, static_cast<int>(facts.error));
    if (facts.kind == Kind::Missing) {
      if (step != folder) return step + L" does not exist";
      const DWORD error = security.CreateProtectedFolder(folder);
      if (error != 0) return text::Format(L"%s could not be created (error code %d)", folder, static_cast<int>(error));
      return {};
    }
  }
  if (slash == 2) facts = security.InspectFolder(folder);
  if (facts.foreignOwner || facts.othersMayWrite) return folder + L" may be changed by users other than administrators";
  return {};
}

std::wstring HelpText(const Localization* localization) {
  return localization ? localization->String(kHelpText) : std::wstring();
}
