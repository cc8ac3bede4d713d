#include "ui/finish_page.h"

#include <richedit.h>
#include <shlobj.h>

#include "checks/office_detection.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/xml_readers.h"
#include "engine/run_executor.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "resources/wizard_ids.h"
#include "ui/finish_offers.h"
#include "ui/finish_outcome.h"
#include "ui/multiline_list.h"
#include "ui/welcome_page.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

constexpr int kTitle = IDC_FINISH_TITLE;
constexpr int kOutcome = IDC_OUTCOME;
constexpr int kTable = IDC_OUTCOME_TABLE;
constexpr int kLink = IDC_LINK;
constexpr int kReadMeBox = IDC_README_BOX;
constexpr int kDashboardBox = IDC_DASHBOARD_BOX;

bool Checked(HWND box) { return box && IsWindowVisible(box) && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

std::vector<bool> FinishPage::Outcomes() const {
  std::vector<bool> succeeded;
  for (const auto& product : host_.Products()) succeeded.push_back(product->Succeeded);
  return succeeded;
}

void FinishPage::DoDataExchange() {
  WizardPage::DoDataExchange();
  if (host_.PlatformKind() != PlatformKind::OnPremises) side_.Attach(Item(IDC_SIDE_PICTURE));
}

BOOL FinishPage::OnInitDialog() {
  const OutcomeWalk walk = WalkOutcomes(Outcomes(), host_.SoloProduct());
  mixed_ = walk.mixed;
  if (!walk.setupSuccess.empty()) host_.Properties().Set(L"SetupSuccess", walk.setupSuccess);
  WizardPage::OnInitDialog();
  const WizardFonts& fonts = Fonts();
  SendMessageW(Item(kTitle), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Title()), FALSE);
  SendMessageW(Item(kOutcome), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Text()), FALSE);
  SendMessageW(Item(kOutcome), EM_SETBKGNDCOLOR, 0, CurrentPageColours().background);
  SetUpCheckBoxes();
  SetWindowTextW(SheetWindow(), host_.CurrentTitle().c_str());
  ShowWindow(Item(kLink), SW_HIDE);
  LoadPageTexts();
  const ::PlatformKind kind = host_.PlatformKind();
  if (kind != PlatformKind::OnPremises && kind != PlatformKind::Foundation) ShowPicture(side_, 31013);
  return TRUE;
}

void FinishPage::SetUpCheckBoxes() {
  PropertyMap& properties = host_.Properties();
  XmlNode first;
  const bool found = host_.SetupDocument().SelectSingle(L"//Product", first) == XmlQuery::Found;
  // One product: its attribute as it reads now (after the user chose the folder); several: the
  // products' own settings.
  std::vector<std::wstring> readMes;
  if (host_.SoloProduct()) {
    if (found) readMes.push_back(AttributeReader(first, {log_, properties, host_.GetLocalization()}).Get(L"ReadMe"));
  } else {
    for (const auto& product : host_.Products()) readMes.push_back(product->ReadMe);
  }
  const std::wstring readMe = ChooseReadMe(readMes);
  if (!readMe.empty()) properties.Set(L"ReadMe", readMe);
  if (found) {
    AttributeReader attributes(first, {log_, properties, host_.GetLocalization()});
    const std::wstring dashboard =
        ChooseDashboard(attributes.Get(L"Dashboard"), attributes.Get(L"XPDashboard"), properties.Get(L"OS"));
    if (!dashboard.empty()) properties.Set(L"Dashboard", dashboard);
  }

  HWND readMeBox = Item(kReadMeBox), dashboardBox = Item(kDashboardBox);
  if (!CheckBoxesShown(host_.ModeFlags(), host_.SetupResultCode(), mixed_)) {
    ShowWindow(readMeBox, SW_HIDE);
    ShowWindow(dashboardBox, SW_HIDE);
    return;
  }
  Localization* localization = host_.GetLocalization();
  if (!localization) return;
  if (HidesOffer(properties.Get(L"ReadMe"))) {
    ShowWindow(readMeBox, SW_HIDE);
  } else {
    std::wstring name = host_.ProductDisplayName();
    if (host_.PlatformKind() != PlatformKind::OnPremises)
      Localization::ReadString(GetModuleHandleW(nullptr), 1018, name);
    SetWindowTextW(readMeBox, localization->Message(50133, {name}).c_str());
    SendMessageW(readMeBox, BM_SETCHECK, BST_CHECKED, 0);
  }
  if (HidesOffer(properties.Get(L"Dashboard"))) {
    ShowWindow(dashboardBox, SW_HIDE);
  } else {
    const DashboardNameTexts ids = DashboardName(host_.PlatformKind(), ImageCultureOffset());
    std::wstring name;
    if (host_.ProductLibrary()) Localization::ReadString(host_.ProductLibrary(), ids.productText, name);
    if (name.empty()) name = localization->String(ids.cultureText);
    SetWindowTextW(dashboardBox, localization->Message(50132, {name}).c_str());
    SendMessageW(dashboardBox, BM_SETCHECK, host_.RestartRequired() ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  for (HWND box : {readMeBox, dashboardBox}) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Text()), FALSE);
}

void FinishPage::LoadPageTexts() {
  Localization* localization = host_.GetLocalization();
  if (!localization) return;
  const uint32_t flags = host_.ModeFlags();
  const int code = host_.SetupResultCode();
  const FinishModeTexts words = FinishModeWords(flags, code);
  OutcomeInputs in;
  in.modeFlags = flags;
  in.setupResultCode = code;
  in.mixed = mixed_;
  in.restartRequired = host_.RestartRequired();
  in.prerequisitesPassed = host_.PrerequisiteResult();
  in.kind = host_.PlatformKind();
  in.productCulture = localization->ProductCulture();
  in.modeWord = localization->String(words.modeWord);
  if (words.completionPhrase) in.completionPhrase = localization->String(words.completionPhrase);
  in.supportText = localization->String(SupportText(in.kind));
  in.description = host_.ResultText(static_cast<uint32_t>(code));
  in.welcomeName = host_.ProductText1007();
  in.productList = WizardProductList(host_);
  const OutcomeTexts texts = FinishOutcome(in);

  if (texts.recordReboot) host_.SetRebootRequiredFlag();
  SetText(kTitle, localization->Message(texts.title, {in.modeWord}), Fonts().Title());
  HWND table = Item(kTable);
  if (texts.showTable) {
    FillTable();
    ShowWindow(table, SW_SHOW);
  } else {
    ShowWindow(table, SW_HIDE);
  }
  if (texts.body == OutcomeBody::Clear) {
    SetWindowTextW(Item(kOutcome), L"");
  } else if (texts.body == OutcomeBody::Format) {
    SetWindowTextW(Item(kOutcome), localization->Message(texts.bodyText, texts.bodyArgs).c_str());
  }
}

void FinishPage::FillTable() {
  CMultilineList* list = CMultilineList::FromWindow(Item(kTable));
  if (!list) return;
  RECT area{};
  GetClientRect(Item(kTable), &area);
  const int half = area.right / 2;
  list->SetSize(static_cast<int>(host_.Products().size()));
  list->SetColumnWidth(0, half);
  list->SetColumnWidth(1, area.right - half);
  list->SetColumnHeading(0, String(50303));
  list->SetColumnHeading(1, String(50304));
  int row = 0;
  for (const auto& product : host_.Products()) {
    list->SetItemText(0, row, product->Name);
    list->SetItemText(1, row, StatusCell(product->Succeeded, static_cast<int>(product->ResultCode),
                                         host_.ResultText(static_cast<uint32_t>(product->ResultCode))));
    ++row;
  }
}

BOOL FinishPage::OnSetActive() {
  PostMessageW(SheetWindow(), PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
  ShowCancelButton(false);
  MoveOntoCancel(wizard_control::Finish);
  SetFinishCaption();
  return WizardPage::OnSetActive();
}

BOOL FinishPage::OnWizardFinish() {
  if (finished_) return TRUE;
  finished_ = true;
  // What the user ticked, read while the boxes are still on the screen.
  const bool openReadMe = Checked(Item(kReadMeBox)), launchDashboard = Checked(Item(kDashboardBox));
  ShowWindow(SheetWindow(), SW_HIDE);
  RunObserver quiet;  // the wizard is hidden: the finalize steps show nothing
  const FinishPlan plan = RunExecutor(host_.Services(), quiet).RunFinish();
  if (!plan.restartHandOver && plan.offersAfterwards) {
    if (openReadMe) OpenReadMe();
    if (launchDashboard) LaunchDashboard();
  }
  log_.WriteLine(L"Closing setup");
  return TRUE;
}

void FinishPage::Launch(const OfferLaunch& launch) {
  if (launch.program.empty()) return;
  log_.Log(L"Executing %s %s", launch.program, launch.parameters);
  DWORD error = 0;
  if (!host_.GetPlatform().processes.ShellOpen(launch.program, launch.parameters, false, error, launch.workingFolder))
    log_.Log(L"Error code %d", static_cast<int>(error));
}

void FinishPage::OpenReadMe() {
  PropertyMap& properties = host_.Properties();
  const std::wstring readMe = ReadMePath(properties.Get(L"ReadMe"), host_.PlatformKind(), host_.InstallDirectory(),
                                         host_.ProductText1008(), properties.Get(L"ProductCulture"));
  std::wstring wordRoot;
  platform::Platform& machine = host_.GetPlatform();
  for (int year : {2013, 2010, 2007, 2003}) {
    if (OfficeInstallFolder(machine.registry, machine.system, L"Word", year, wordRoot)) break;
    wordRoot.clear();
  }
  Launch(ReadMeLaunch(readMe, wordRoot));
}

void FinishPage::LaunchDashboard() {
  std::wstring shortcut;
  wchar_t programs[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs))) {
    Localization* localization = host_.GetLocalization();
    shortcut = programs + DashboardShortcut(host_.PlatformKind(), localization ? localization->Culture() : L"");
    if (!platform::FileExists(shortcut)) shortcut.clear();
  }
  Launch(DashboardLaunch(host_.Properties().Get(L"Dashboard"), shortcut, host_.InstallDirectory()));
}

BOOL FinishPage::OnQueryCancel() { return OnWizardFinish(); }

bool FinishPage::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    OnEnterKey();
    return true;
  }
  return false;
}

void FinishPage::OnEnterKey() { PressButton(PSBTN_FINISH); }

bool FinishPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Item(kOutcome)) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kOutcome && HIWORD(wParam) == EN_SETFOCUS) {
    FocusButton(wizard_control::Finish);
    result = 0;
    return true;
  }
  (void)lParam;
  return false;
}

HBRUSH FinishPage::OnCtlColor(HDC dc, HWND control, UINT message) {
  HBRUSH brush = WizardPage::OnCtlColor(dc, control, message);
  if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(control) == kTitle) {
    SelectObject(dc, Fonts().Title());
    SetTextColor(dc, CurrentPageColours().TitleFor(host_.PlatformKind()));
  }
  return brush;
}
