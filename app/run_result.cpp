// The run's result file: what a deployment tool reads instead of the log's free text.
#include "app/app.h"
#include "app/deployment_switches.h"
#include "core/exit_codes.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/secret_mask.h"
#include "platform/files.h"
#include "platform/folder_tree.h"
#include "platform/text.h"

namespace {

const wchar_t* ModeWord(uint32_t flags) {
  if (flags & mode::Install) return L"install";
  if (flags & mode::Uninstall) return L"uninstall";
  if (flags & mode::Repair) return L"repair";
  if (flags & mode::Upgrade) return L"upgrade";
  return L"none";
}

// The lines a person who asked for a plan reads.
std::wstring PlanText(const RunReport& report, int exitCode) {
  auto line = [](const std::wstring& what, const ItemReport& item) {
    return text::Format(L"%s: %s%s\n", what, item.action, item.reason.empty() ? L"" : L" (" + item.reason + L")");
  };
  std::wstring out;
  for (const ItemReport& item : report.Prerequisites()) out += line(L"Prerequisite " + item.name, item);
  for (const ItemReport& item : report.Products()) {
    out += line(item.name.empty() ? item.shortName : item.name, item);
    for (const PackageReport& p : item.packages)
      out += text::Format(L"    group %d, %s: %s%s\n", p.group, p.name, p.action,
                          p.reason.empty() ? L"" : L" (" + p.reason + L")");
  }
  return out + text::Format(L"\nA run would end with %d (%s).", exitCode, exit_code::MeaningOf(exitCode).name);
}

}  // namespace

void CCommonBootstrapperApp::CompleteReport() {
  RunReport& report = state_.Report();
  const int code = state_.ExitCode();
  for (const auto& product : products_) {
    if (report.FindProduct(product->ShortName)) continue;
    ItemReport& item = report.Product(product->ShortName);
    item.name = product->Name;
    item.productCode = product->GUID;
    const uint32_t flags = state_.ModeFlags();
    item.action = (flags & (mode::Install | mode::Uninstall | mode::Repair | mode::Upgrade)) ? ModeWord(flags) : L"none";
    if (code == exit_code::Cancelled) {
      item.outcome = ItemOutcome::Cancelled;
      item.reason = L"the run was cancelled before it";
    } else if (item.action == L"none") {
      item.outcome = ItemOutcome::NotApplicable;
      item.reason = L"nothing was asked of the products";
    } else {
      item.outcome = ItemOutcome::Skipped;
      item.reason = !refusedBy_.empty() ? L"check refused: the " + refusedBy_ + L" refused the run"
                                        : text::Format(L"the run stopped before it (%d)", code);
      if (cmd_.plan) item.action = L"skip";
    }
  }
}

RunSummary CCommonBootstrapperApp::Summary() {
  RunSummary s;
  s.exitCode = state_.ExitCode();
  const exit_code::Meaning meaning = exit_code::MeaningOf(s.exitCode);
  s.exitName = meaning.name;
  s.exitText = meaning.text ? std::wstring(meaning.text) : ResultText(static_cast<uint32_t>(s.exitCode));
  s.mode = ModeWord(state_.ModeFlags());
  s.ui = cmd_.silent && !showPlan_ ? L"silent" : cmd_.passive ? L"passive" : L"wizard";
  s.forcedSilent = silenceForced_;
  s.plan = cmd_.plan;
  s.start = startTime_;
  SYSTEMTIME now;
  GetSystemTime(&now);
  s.end = UtcTimestamp(now);
  if (state_.PackageRestartRequested() || s.exitCode == exit_code::SuccessRestartRequired) {
    s.restartPending = true;
    s.restartReason = L"a package asked for the computer to be restarted";
  } else if (state_.RebootNeeded() || s.exitCode == exit_code::RebootRequired) {
    s.restartPending = true;
    s.restartReason = text::Format(L"%s needs the computer restarted", rebootPrerequisiteName_);
  } else if (s.exitCode == exit_code::RestartRequired) {
    s.restartPending = true;
    s.restartReason = text::Format(L"%s needs setup started again", rebootPrerequisiteName_);
  }
  if (s.restartPending && cmd_.noRestart) s.restartReason += L"; /norestart: nothing was restarted or scheduled";
  s.log = log_->Path();
  return s;
}

void CCommonBootstrapperApp::WriteResult() {
  CompleteReport();
  const std::string json = ResultJson(Summary(), state_.Report(), &properties_->Secrets());
  std::vector<std::wstring> targets;
  if (!logFolder_.empty()) targets.push_back(logFolder_ + L"\\" + kResultFileName);
  if (!cmd_.resultFile.empty()) {
    const std::wstring chosen = platform::FullPath(cmd_.resultFile);
    const std::wstring unfit = UnfitLogFile(platform_.security, chosen);
    if (unfit.empty())
      targets.push_back(chosen);
    else
      log_->Log(L"The result file %s is refused: %s.", cmd_.resultFile, unfit);
  }
  for (const std::wstring& target : targets) {
    if (const DWORD error = WriteFileAtomically(target, json))
      log_->Log(L"Writing the result file %s failed with error code %d.", target, static_cast<int>(error));
    else
      log_->Log(L"The result of this run is in %s.", target);
  }
  if (showPlan_)
    platform_.prompts.Show(nullptr, PlanText(state_.Report(), state_.ExitCode()), L"Setup: plan", MB_OK, {});
}
