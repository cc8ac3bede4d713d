#include "ui/install_page.h"

#include <msi.h>

#include <cwctype>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "engine/finalize_actions.h"
#include "engine/package_file.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "ui/page_texts.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

// The worker starts once per process, whatever page instances exist.
std::atomic<bool> workerThreadStarted{false};

constexpr int kInstallLevelNone = 2;  // INSTALLUILEVEL_NONE
constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;

bool UpdateManager(const std::wstring& shortName) {
  return text::EqualsNoCase(shortName, L"DEVadirez") || text::EqualsNoCase(shortName, L"DEVadirezClient");
}

}  // namespace

InstallPage::InstallPage(WizardHost& host) : WizardPage(host, 174) {
  Localization* localization = host.GetLocalization();
  canadian_ = localization && text::EqualsNoCase(localization->ProductCulture(), L"en-CA");
}

void InstallPage::DoDataExchange() {
  WizardPage::DoDataExchange();
  side_.Attach(Item(203));
}

BOOL InstallPage::OnInitDialog() {
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  WizardPage::OnInitDialog();
  workerFinished_ = false;
  HWND bar = Item(204);
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
  const WizardFonts& fonts = TheWizardFonts();
  SetText(wizard_control::Title, localization->Message(texts.title, {word}), fonts.Title());
  SetText(225, localization->Message(texts.description, {lower}), fonts.Text());
  SendMessageW(StatusLine(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Text()), FALSE);
}

BOOL InstallPage::OnSetActive() {
  HWND sheet = SheetWindow();
  PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_DISABLEDFINISH);
  SetFinishCaption();
  ShowWindow(SheetItem(wizard_control::Finish), SW_HIDE);
  ShowCancelButton(true);
  EnableWindow(SheetItem(wizard_control::Cancel), FALSE);
  MoveOntoCancel(wizard_control::Finish);
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
  (void)wParam;
  return false;
}

void InstallPage::StartWorker(UINT positionFlags) {
  if (workerThreadStarted) return;
  log_.Log(L"WindowPosChanged flag is %#X", positionFlags);
  if (!(positionFlags & (SWP_SHOWWINDOW | SWP_NOMOVE))) return;
  const uint32_t flags = host_.ModeFlags();
  LPTHREAD_START_ROUTINE worker = nullptr;
  if (flags & mode::Install) {
    log_.WriteLine(L"StartInstallation thread");
    worker = InstallWorker;
  } else if (flags & mode::Uninstall) {
    log_.WriteLine(L"StartUninstall thread");
    worker = UninstallWorker;
  } else if (flags & mode::Repair) {
    log_.WriteLine(L"StartRepair thread");
    worker = RepairWorker;
  } else if (flags & mode::Upgrade) {
    log_.WriteLine(L"StartUpgrade thread");
    worker = UpgradeWorker;
  }
  workerThreadStarted = true;
  if (!worker) return;
  worker_.reset(CreateThread(nullptr, 0, worker, this, 0, nullptr));
  if (!worker_) {
    log_.Log(L"Starting the worker thread failed with error code %d", static_cast<int>(GetLastError()));
    Finish();
  }
}

void InstallPage::BeginSequence() {
  platform::WindowsInstaller& installer = host_.GetPlatform().installer;
  installer.SetInternalUI(kInstallLevelNone);
  auto context = std::make_shared<MSIInterface>();
  context->owner = Window();
  context->prompts = &host_.GetPlatform().prompts;
  context->localization = host_.GetLocalization();
  installer.SetExternalUI(MsiExternalUIHandler, kExternalUIFilter, context.get());
  installer_ = std::move(context);  // the previous context goes once the handler no longer sees it
}

void InstallPage::RunInstallSequence(const std::wstring& text) {
  BeginSequence();
  EngineContext context = host_.MakeEngineContext();
  InstallPackageFile install(context, host_.ExtraInstallProperties() + text, Window());
  install.Initialize();
  install.RunSequence(mode::Install, StatusLine());
}

void InstallPage::RunUninstallSequence(const std::wstring& text) {
  BeginSequence();
  EngineContext context = host_.MakeEngineContext();
  UninstallPackageFile uninstall(context, text, Window());
  uninstall.Initialize();
  uninstall.RunSequence(mode::Uninstall, StatusLine());
}

void InstallPage::RunRepairSequence() {
  BeginSequence();
  EngineContext context = host_.MakeEngineContext();
  RepairPackageFile repair(context, L"", Window());
  repair.Initialize();
  repair.RunSequence(mode::Repair, StatusLine());
}

bool InstallPage::RunPrerequisites() {
  const bool passed = host_.InstallPrerequisites(StatusLine());
  host_.SetPrerequisiteResult(passed);
  return passed;
}

void InstallPage::Finish() {
  workerFinished_ = true;
  SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
}

DWORD WINAPI InstallPage::InstallWorker(LPVOID parameter) {
  auto* page = static_cast<InstallPage*>(parameter);
  page->host_.GetPlatform().installer.SetInternalUI(kInstallLevelNone);
  page->log_.WriteLine(L"Begin Installation");
  page->log_.WriteLine(L"Start Prerequisites check");
  const bool passed = page->RunPrerequisites();
  page->log_.WriteLine(L"Prerequisites check complete");
  if (passed) page->RunInstallSequence(L"");
  LogFile& log = page->log_;
  page->Finish();
  log.WriteLine(L"End Installation");
  return 0;
}

DWORD WINAPI InstallPage::UninstallWorker(LPVOID parameter) {
  auto* page = static_cast<InstallPage*>(parameter);
  page->host_.GetPlatform().installer.SetInternalUI(kInstallLevelNone);
  if (page->RunPrerequisites()) page->RunUninstallSequence(page->host_.ExtraInstallProperties());
  page->Finish();
  return 0;
}

DWORD WINAPI InstallPage::RepairWorker(LPVOID parameter) {
  auto* page = static_cast<InstallPage*>(parameter);
  page->host_.GetPlatform().installer.SetInternalUI(kInstallLevelNone);
  page->RunRepairSequence();
  page->Finish();
  return 0;
}

DWORD WINAPI InstallPage::UpgradeWorker(LPVOID parameter) {
  auto* page = static_cast<InstallPage*>(parameter);
  WizardHost& host = page->host_;
  host.GetPlatform().installer.SetInternalUI(kInstallLevelNone);
  if (page->RunPrerequisites()) {
    const std::wstring text = L"UPGRADE=1 " + host.ExtraInstallProperties();
    const std::wstring os = host.Properties().Get(L"OS");
    // The new release does not install on these systems: refuse before the old one is removed.
    if (text::Contains(os, L"XP") || text::EqualsNoCase(os, L"Vista") || text::Contains(os, L"Win2003")) {
      page->log_.Log(L"Upgrade refused: %s is not supported; the installed release is kept.", os);
      host.ShowUnsupportedSystem(page->Window());
      host.SetSetupResultCode(exit_code::Cancelled);
    } else {
      page->RunUninstallSequence(text);
      if (!platform::IsInstalledState(host.GetPlatform().installer.QueryProductState(host.GUID())))
        page->RunInstallSequence(text);
    }
  }
  page->Finish();
  return 0;
}

BOOL InstallPage::OnQueryCancel() {
  if (workerFinished_) {
    SendNotifyMessageW(Window(), kWorkerFinishedMessage, 0, 0);
    return FALSE;
  }
  if (!IsWindowEnabled(SheetItem(wizard_control::Cancel))) {
    // Escape or the close box while the work cannot be interrupted: the engine waits behind the box.
    if (worker_) SuspendThread(worker_.get());
    Ask(String(50134), host_.ProductDisplayName(), MB_OK | MB_ICONINFORMATION);
    if (worker_) ResumeThread(worker_.get());
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
  if (!UpdateManager(host_.ShortName()) || host_.SetupResultCode() != exit_code::Success ||
      host_.ModeFlags() != mode::Upgrade || host_.Products().empty()) {
    sheet->RestoreIfMinimized();
    if (sheet->FinishPage()) sheet->SetActivePage(*sheet->FinishPage());
    return;
  }
  // A successful upgrade of the update manager closes without the finish page.
  Product& first = *host_.Products().front();
  host_.Properties().Set(L"SetupSuccess", first.Succeeded ? L"True" : L"False");
  EngineContext context = host_.MakeEngineContext();
  FinalizeActions finalize(context, first);
  finalize.CopySetupFiles();
  finalize.CopyProxyOverride();
  if (host_.RestartRequired()) host_.SetRebootRequiredFlag();
  finalize.RunFinalizeGroups();
  sheet->EndWizard();
}

HBRUSH InstallPage::OnCtlColor(HDC dc, HWND control, UINT message) {
  HBRUSH brush = WizardPage::OnCtlColor(dc, control, message);
  if (message != WM_CTLCOLORSTATIC) return brush;
  const int id = GetDlgCtrlID(control);
  if (id == wizard_control::Title) {
    SetTextColor(dc, host_.PlatformKind() == PlatformKind::OnPremises ? kTitleBlue : kTitleGrey);
  } else if (id == 244 || id == 245) {
    SetTextColor(dc, kWarningRed);
  } else {
    SetTextColor(dc, RGB(0, 0, 0));
  }
  return brush;
}
