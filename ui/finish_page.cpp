#include "ui/finish_page.h"

#include <commctrl.h>
#include <richedit.h>
#include <shlobj.h>

#include <algorithm>

#include "checks/office_detection.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/xml_readers.h"
#include "engine/run_executor.h"
#include "platform/files.h"
#include "platform/handles.h"
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

// Shown by the page: the page itself may not be visible yet while it lays itself out.
bool Shown(HWND control) { return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE); }

RECT PlaceIn(HWND page, HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

// A check box's height in its own font: the template's, or the font's line when the DPI made
// that taller. The link is as tall as its text wrapped into its width (the template's box for it
// is a placeholder).
int NeededHeight(HWND control, bool link) {
  RECT area{};
  GetClientRect(control, &area);
  int height = link ? 0 : area.bottom;
  if (platform::WindowDC context{control}) {
    HGDIOBJ old = SelectObject(context.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(context.get(), &metrics)) height = std::max<int>(height, metrics.tmHeight + 2);
    SelectObject(context.get(), old);
  }
  if (link) height = std::max<int>(height, static_cast<int>(SendMessageW(control, LM_GETIDEALHEIGHT, area.right, 0)));
  return height;
}

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
  HWND link = Item(kLink);
  ShowWindow(link, SW_HIDE);
  // Reached by Tab like any field; Enter and Space open the log.
  SetWindowLongPtrW(link, GWL_STYLE, GetWindowLongPtrW(link, GWL_STYLE) | WS_TABSTOP);
  SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Text()), FALSE);
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
  std::wstring outcome;
  if (texts.body == OutcomeBody::Format) outcome = localization->Message(texts.bodyText, texts.bodyArgs);
  // What the run changed and what it left alone, after what happened.
  if (texts.changes) outcome += (outcome.empty() ? L"" : L"\n\n") + localization->String(texts.changes);
  if (texts.body != OutcomeBody::Keep || texts.changes) SetWindowTextW(Item(kOutcome), outcome.c_str());
  HWND link = Item(kLink);
  const bool showLog = texts.showLog && !log_.Path().empty();
  if (showLog) SetWindowTextW(link, localization->Message(50313, {L"<a>" + log_.Path() + L"</a>"}).c_str());
  ShowWindow(link, showLog ? SW_SHOW : SW_HIDE);
  Layout();
}

void FinishPage::Layout() {
  HWND page = Window();
  RECT client{};
  GetClientRect(page, &client);
  RECT units{0, 4, 0, 7};  // the template's gap and margin, in pixels at this DPI
  MapDialogRect(page, &units);
  const int gap = units.top, margin = units.bottom;
  std::vector<HWND> stacked;
  std::vector<int> heights;
  for (int id : {kLink, kReadMeBox, kDashboardBox}) {
    HWND control = Item(id);
    if (!Shown(control)) continue;
    stacked.push_back(control);
    heights.push_back(NeededHeight(control, id == kLink));
  }
  const std::vector<int> tops = BottomStackTops(client.bottom, margin, gap, heights);
  for (size_t i = 0; i < stacked.size(); ++i) {
    const RECT place = PlaceIn(page, stacked[i]);
    SetWindowPos(stacked[i], nullptr, place.left, tops[i], place.right - place.left, heights[i],
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The table and the outcome text end above what follows them.
  int limit = (tops.empty() ? client.bottom - margin : tops.front()) - gap;
  for (HWND control : {Item(kTable), Item(kOutcome)}) {
    if (!Shown(control)) continue;
    const RECT place = PlaceIn(page, control);
    if (place.bottom > limit)
      SetWindowPos(control, nullptr, 0, 0, place.right - place.left, std::max<int>(0, limit - place.top),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    limit = std::min<int>(limit, place.top - gap);
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
  // Enter finishes: the log link, the page's first field, must not take the focus from Finish.
  FocusButton(wizard_control::Finish);
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

void FinishPage::OpenLog() {
  const std::wstring path = log_.Path();
  const size_t slash = path.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? L"" : path.substr(0, slash);
  log_.Log(L"Opening the setup log %s", path);
  platform::Processes& processes = host_.GetPlatform().processes;
  DWORD error = 0;
  if (processes.ShellOpen(path, L"", false, error, folder)) return;
  // No program is registered for .log files (or it failed): Notepad reads any text file, also one
  // this run still writes to.
  log_.Log(L"Error code %d; opening the setup log with Notepad", static_cast<int>(error));
  if (!processes.ShellOpen(L"notepad.exe", L"\"" + path + L"\"", false, error, folder))
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
  if (message.message == WM_KEYDOWN && message.hwnd == Item(kLink)) {
    if (message.wParam == VK_RETURN) {
      DispatchMessageW(&message);  // the link's own Enter: it answers with NM_RETURN
      return true;
    }
    if (message.wParam == VK_SPACE) {  // as on a button; not every link control answers Space
      OpenLog();
      return true;
    }
  }
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
  if (message == WM_SIZE) {
    Layout();  // the sheet sizes its pages after they were made
    return false;
  }
  if (message == WM_NOTIFY) {
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom == static_cast<UINT_PTR>(kLink) && (header.code == NM_CLICK || header.code == NM_RETURN)) {
      OpenLog();
      result = 0;
      return true;
    }
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kOutcome && HIWORD(wParam) == EN_SETFOCUS) {
    FocusButton(wizard_control::Finish);
    result = 0;
    return true;
  }
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
