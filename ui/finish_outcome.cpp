#include "ui/finish_outcome.h"

#include "core/exit_codes.h"
#include "core/run_mode.h"
#include "platform/text.h"

namespace {

// The one mode a run's flags stand for, in the order the pages test them; 0 for none.
uint32_t ModeOf(uint32_t modeFlags) {
  for (uint32_t m : {mode::Install, mode::Uninstall, mode::Repair, mode::Upgrade})
    if (modeFlags & m) return m;
  return 0;
}

// The products a reboot message (103010) may name, in one table: three components named for
// themselves, and the update managers every other product names by platform and culture.
enum RebootName {
  ServerComponents, ReportServerComponents, SharedFolderComponents, ComponentCount,
  SuiteManager = ComponentCount, BrindleManager, TelviaManager, FoundationManager, RebootNameCount
};
const wchar_t* const kRebootNames[RebootNameCount] = {
    L"Orvanta Server Components",         L"Orvanta Report Server Components",
    L"ZEM Shared Folder Components",      L"Orvanta Suite Update Manager",
    L"ZEM Brindle Suite Update Manager",  L"ZEM Telvia Update Manager",
    L"Orvanta Foundation Update Manager",
};

std::vector<std::wstring> FailureArgs(UINT body, const OutcomeInputs& in) {
  const std::wstring code = std::to_wstring(in.setupResultCode);
  const std::wstring& name = in.welcomeName;
  switch (body) {
    case 50178:
      return {name, L"3010", in.description};
    case 50288:
      return {in.productList, RebootComponentName(name, in.kind, in.productCulture)};
    case 50165:
      return {name, code, in.description, name, in.supportText};
    case 50166:
      return {name, name, in.supportText};
    case 50179:
      return {name, name};
    default: {
      const std::wstring word = text::ToLower(in.modeWord);
      return {name, word, code, in.description, word, name, in.supportText};
    }
  }
}

UINT FailureText(const OutcomeInputs& in) {
  const uint32_t m = ModeOf(in.modeFlags);
  const int code = in.setupResultCode;
  if (m == mode::Install) {
    if (code == exit_code::RestartRequired) return 50178;
    if (code == exit_code::RebootRequired) return 50288;
    return in.prerequisitesPassed ? 50165 : 50166;
  }
  if (m == mode::Upgrade) {
    if (code == exit_code::RestartRequired) return 50178;
    if (code == exit_code::RebootRequired) return 50179;
  }
  // Uninstall, repair, any other upgrade failure, and a run with no mode at all.
  return 50131;
}

}  // namespace

FinishModeTexts FinishModeWords(uint32_t modeFlags, int setupResultCode) {
  switch (ModeOf(modeFlags)) {
    case mode::Install:
      return {setupResultCode != 0 ? 50111u : 50122u, 50125};
    case mode::Uninstall:
      return {50112, 50126};
    case mode::Repair:
      return {50123, 50127};
    case mode::Upgrade:
      return {50124, 50128};
    default:
      return {50148, 0};
  }
}

UINT SupportText(PlatformKind kind) { return kind == PlatformKind::Foundation ? 50287 : 50281; }

OutcomeWalk WalkOutcomes(const std::vector<bool>& succeeded, bool single) {
  OutcomeWalk walk;
  if (single) return walk;
  bool sawSuccess = false, sawFailure = false;
  for (bool s : succeeded) {
    walk.setupSuccess = s ? L"True" : L"False";
    (s ? sawSuccess : sawFailure) = true;
    if (sawSuccess && sawFailure) break;
  }
  walk.mixed = sawSuccess && sawFailure;
  return walk;
}

bool CheckBoxesShown(uint32_t modeFlags, int setupResultCode, bool mixed) {
  if (!(modeFlags & mode::Install)) return false;
  return setupResultCode == 0 || mixed;
}

OutcomeTexts FinishOutcome(const OutcomeInputs& in) {
  OutcomeTexts out;
  if (in.mixed) {
    out.title = 50121;
    out.showTable = true;
    out.body = OutcomeBody::Clear;
    out.changes = 50312;
    out.showLog = true;
    return out;
  }
  out.body = OutcomeBody::Format;
  if (in.setupResultCode == exit_code::Success) {
    out.title = 50118;
    if (in.restartRequired) {
      out.recordReboot = true;
      if (ModeOf(in.modeFlags) == mode::Upgrade) {
        out.bodyText = 50218;
      } else {
        out.bodyText = 50177;
        out.bodyArgs = {in.productList};
      }
    } else {
      bool foundationInstall = in.kind == PlatformKind::Foundation && ModeOf(in.modeFlags) == mode::Install;
      out.bodyText = foundationInstall ? 50284 : 50119;
      out.bodyArgs = {in.productList, in.completionPhrase};
    }
    return out;
  }
  out.showLog = true;
  if (in.setupResultCode == exit_code::Cancelled) {
    out.title = 50129;
    out.body = OutcomeBody::Keep;
    out.changes = 50310;
    return out;
  }
  out.title = 50130;
  out.bodyText = FailureText(in);
  out.bodyArgs = FailureArgs(out.bodyText, in);
  // A restart asked for is no failure of the products: nothing was rolled back for it.
  const int code = in.setupResultCode;
  const bool restart = code == exit_code::RebootRequired || code == exit_code::RestartRequired ||
                       exit_code::AsksForRestart(code);
  if (!restart) out.changes = 50311;
  return out;
}

std::wstring RebootComponentName(const std::wstring& welcomeName, PlatformKind kind,
                                 const std::wstring& productCulture) {
  for (int i = 0; i < ComponentCount; ++i)
    if (text::EqualsNoCase(welcomeName, kRebootNames[i])) return welcomeName;
  if (kind == PlatformKind::Online) return kRebootNames[TelviaManager];
  if (kind == PlatformKind::Foundation) return kRebootNames[FoundationManager];
  return kRebootNames[text::EqualsNoCase(productCulture, L"en-CA") ? BrindleManager : SuiteManager];
}

std::wstring StatusCell(bool succeeded, int resultCode, const std::wstring& description) {
  if (succeeded) return L"Success";
  return text::Format(L"Error code : %d - %s", resultCode, description);
}
