#include "ui/install_page.h"

#include <msi.h>

#include <cwctype>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "engine/run_executor.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "resources/wizard_ids.h"
#include "ui/page_texts.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

constexpr int kInstallLevelNone = 2;  // INSTALLUILEVEL_NONE
constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;

}  // namespace

InstallPage::InstallPage(WizardHost& host) : WizardPage(host, IDD_INSTALL_PAGE) {
  Localization* localization = host.GetLocalization();
  canadian_ = localization && text::EqualsNoCase(localization->ProductCulture(), L"en-CA");
}

void InstallPage::DoDataExchange() {
  WizardPage::DoDataExchange();
  side_.Attach(Item(IDC_SIDE_PICTURE));
}

BOOL InstallPage::OnInitDialog() {
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  WizardPage::OnInitDialog();
  workerFinished_ = false;
  HWND bar = Item(IDC_PROGRESS_BAR);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SendMessageW(bar, PBM_SETMARQUEE, TRUE, 0);
  LoadPageTexts();
  SetForegroundWindow(Window());
  const ::PlatformKind kind = host_.PlatformKind();
  if (kind == PlatformKind::OnPremises)
    ShowPicture(side_, canadian_ ? 21013 : 1013);
  else if (kind != PlatformKind::Foundation)
    ShowPicture(side_, 31013);
  SetCursor(previous);
  return TRUE;
}

void InstallPage::LoadPageTexts() {
  Localization* localization = host_.GetLocalization();
  if (!localization) return;
  const InstallPageTexts texts = InstallPageModeTexts(host_.ModeFlags());
  for (int id : texts.hiddenControls) {
    if (HWND control = Item(id)) ShowWindow(control, SW_HIDE);
  }
  const std::wstring word = localization->String(texts.modeWord);
  std::wstring lower = word;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  const WizardFonts& fonts = Fonts();
  SetText(wizard_control::Title, localization->Message(texts.title, {word}), fonts.Title());
  SetText(IDC_DESCRIPTION, localization->Message(texts.description, {lower}), fonts.Text());
  SendMessageW(StatusLine(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Text()), FALSE);
}

BOOL InstallPage::OnSetActive() {
  HWND sheet = SheetWindow();
  PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
  SetFinishCaption();
  ShowWindow(SheetItem(wizard_control::Finish), SW_HIDE);
  // A passive run's page is the sheet's only one, which the sheet gives a Finish button once the
  // posted button flags arrive: arranged after them.
  if (host_.Plan().passive) PostMessageW(Window(), kPassiveButtonsMessage, 0, 0);
  ShowCancelButton(true);
  EnableWindow(SheetItem(wizard_control::Cancel), FALSE);
  MoveOntoCancel(wizard_control::Finish);
  PostMessageW(Window(), kPlaceFocusMessage, 0, 0);
  return WizardPage::OnSetActive();
}

bool InstallPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    StartWorker(position ? position->flags : 0);
    return false;  // the default handling runs as well
  }
  if (message == kWorkerFinishedMessage) {
    FinishTransition();
    result = 0;
    return true;
  }
  if (message == kPlaceFocusMessage) {
    const HWND cancel = SheetItem(wizard_control::Cancel);
    if (cancel && IsWindowEnabled(cancel) && IsWindowVisible(cancel))
      SendMessageW(SheetWindow(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel), TRUE);
    else
      SetFocus(Window());
    result = 0;
    return true;
  }
  if (message == kPassiveButtonsMessage) {
    // Nothing to go back to and nothing to go on to: the page closes by itself. Cancel stays.
    ShowBackButton(false);
    ShowWindow(SheetItem(wizard_control::Next), SW_HIDE);
    ShowWindow(SheetItem(wizard_control::Finish), SW_HIDE);
    ShowCancelButton(true);
    result = 0;
    return true;
  }
  if (message == kProgressPositionMessage) {
    ShowPosition(static_cast<int>(wParam));
    result = 0;
    return true;
  }
  return false;
}

void InstallPage::StartWorker(UINT positionFlags) {
  if (workerStarted_) return;
  log_.Log(L"WindowPosChanged flag is %#X", positionFlags);
  if (!(positionFlags & (SWP_SHOWWINDOW | SWP_NOMOVE))) return;
  workerStarted_ = true;
  const RunPlan& plan = host_.Plan();
  if (plan.workerLine.empty()) return;
  log_.WriteLine(plan.workerLine);
  worker_.reset(CreateThread(nullptr, 0, Worker, this, 0, nullptr));
  if (!worker_) {
    log_.Log(L"Starting the worker thread failed with error code %d", static_cast<int>(GetLastError()));
    Finish();
  }
}

void InstallPage::OnSequenceStarting() {
  platform::WindowsInstaller& installer = host_.GetPlatform().installer;
  installer.SetInternalUI(kInstallLevelNone);
  auto context = std::make_shared<MSIInterface>();
  context->owner = Window();
  context->prompts = &host_.GetPlatform().prompts;
  context->localization = host_.GetLocalization();
  context->askingPermitted = cancelQuestionAllowed_;
  installer_ = std::move(context);  // the executor points Windows Installer at this page next
}

int InstallPage::OnInstallerMessage(uint32_t type, const wchar_t* message) {
  progress_.InstallerMessage(type, message);
  ReportProgress();
  // The cancel handshake answers on the installing thread, in this sequence's context.
  return MsiExternalUIHandler(installer_.get(), type, message);
}

void InstallPage::OnPackageTurnBegins() {
  progress_.PackageTurnBegins();
  ReportProgress();
}

void InstallPage::OnPackageTurnEnds() {
  progress_.PackageTurnEnds();
  ReportProgress();
}

void InstallPage::ReportProgress() {
  // Posted: the worker never waits for the page.
  if (const std::optional<int> position = progress_.Moved())
    PostMessageW(Window(), kProgressPositionMessage, static_cast<WPARAM>(*position), 0);
}

void InstallPage::ShowPosition(int position) {
  HWND bar = Item(IDC_PROGRESS_BAR);
  if (marquee_) {
    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    marquee_ = false;
  }
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void InstallPage::OnStatus(const std::wstring& text) {
  HWND line = StatusLine();
  ShowWindow(line, SW_HIDE);
  SetWindowTextW(line, text.c_str());
  ShowWindow(line, SW_SHOW);
}

void InstallPage::OnStatusHidden() { ShowWindow(StatusLine(), SW_HIDE); }

void InstallPage::OnCancelAllowed(bool allowed) {
  EnableWindow(SheetItem(wizard_control::Cancel), allowed);
  PostMessageW(Window(), kPlaceFocusMessage, 0, 0);
}

void InstallPage::OnFailure(const std::wstring& text) {
  // The failure is in the log; a passive run asks for no click.
  if (host_.Plan().passive) return;
  Localization* localization = host_.GetLocalization();
  host_.GetPlatform().prompts.Show(Window(), text, host_.CurrentTitle(), MB_OK, [localization] {
    if (localization) localization->InstallMessageBoxHook();
  });
}

void InstallPage::OnPrerequisitesDone(bool passed) { host_.SetPrerequisiteResult(passed); }

void InstallPage::OnRetiredSystem() {
  if (!host_.Plan().passive) host_.ShowUnsupportedSystem(Window());
}

bool InstallPage::WaitForWorker(DWORD milliseconds) const {
  return !worker_ || WaitForSingleObject(worker_.get(), milliseconds) == WAIT_OBJECT_0;
}

void InstallPage::Finish() {
  workerFinished_ = true;
  SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
}

DWORD WINAPI InstallPage::Worker(LPVOID parameter) {
  auto* page = static_cast<InstallPage*>(parameter);
  WizardHost& host = page->host_;
  RunObserver& observer = *page;
  page->executor_ = std::make_unique<RunExecutor>(host.Services(), observer);
  page->executor_->RunWork(host.Plan());
  LogFile& log = page->log_;
  const std::wstring endLine = host.Plan().endLine;
  WaitForSingleObject(page->mayFinish_.get(), INFINITE);  // only while the page shows a box
  page->Finish();  // the page may go from here on
  if (!endLine.empty()) log.WriteLine(endLine);
  return 0;
}

BOOL InstallPage::OnQueryCancel() {
  if (workerFinished_) {
    SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
    return FALSE;
  }
  if (!IsWindowEnabled(SheetItem(wizard_control::Cancel))) {
    // Escape or the close box while the work cannot be interrupted: the work goes on, but the page
    // is not handed over behind the box.
    ResetEvent(mayFinish_.get());
    Ask(String(50134), host_.ProductDisplayName(), MB_OK | MB_ICONINFORMATION);
    SetEvent(mayFinish_.get());
    return FALSE;
  }
  const std::wstring question = String(50135);
  if (worker_) {
    if (std::shared_ptr<MSIInterface> context = installer_) {
      context->question = question;
      context->caption = host_.ProductDisplayName();
      context->boxType = kQuestionBox;
      context->questionPending = true;
    } else {
      SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
    }
    return FALSE;
  }
  if (Ask(question, host_.ProductDisplayName(), kQuestionBox) == IDYES) {
    host_.SetSetupResultCode(exit_code::Cancelled);
    SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
  }
  return FALSE;
}

void InstallPage::OnEnterKey() { PressButton(PSBTN_CANCEL); }

BOOL InstallPage::OnWizardFinish() {
  log_.WriteLine(L"Installation Page: Finished");
  return WizardPage::OnWizardFinish();
}

void InstallPage::FinishTransition() {
  CWizardSheet* sheet = Sheet();
  if (!sheet) return;
  const RunPlan& plan = host_.Plan();
  if (plan.passive) {
    sheet->EndWizard();
    return;
  }
  if (plan.closeOnSuccess.empty() || host_.SetupResultCode() != exit_code::Success || host_.Products().empty()) {
    sheet->RestoreIfMinimized();
    if (sheet->FinishPage()) sheet->SetActivePage(*sheet->FinishPage());
    return;
  }
  RunExecutor(host_.Services(), *this).RunSteps(plan.closeOnSuccess);
  sheet->EndWizard();
}

HBRUSH InstallPage::OnCtlColor(HDC dc, HWND control, UINT message) {
  HBRUSH brush = WizardPage::OnCtlColor(dc, control, message);
  if (message != WM_CTLCOLORSTATIC) return brush;
  const int id = GetDlgCtrlID(control);
  const PageColours colours = CurrentPageColours();
  if (id == wizard_control::Title) {
    SetTextColor(dc, colours.TitleFor(host_.PlatformKind()));
  } else if (id == IDC_WARNING_FIRST || id == IDC_WARNING_SECOND) {
    SetTextColor(dc, colours.warning);
  } else {
    SetTextColor(dc, colours.text);
  }
  return brush;
}
