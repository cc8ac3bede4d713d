#include "ui/welcome_page.h"

#include "core/localization.h"
#include "platform/trace.h"
#include "resources/wizard_ids.h"
#include "ui/page_texts.h"
#include "ui/rich_text.h"
#include "ui/wizard_fonts.h"

std::wstring WizardProductList(WizardHost& host) {
  std::vector<std::wstring> names;
  for (const auto& product : host.Products()) names.push_back(product->Name);
  return ProductList(host.PlatformKind(), host.SoloProduct(), host.ProductText1007(), names);
}

void WelcomePage::DoDataExchange() {
  WizardPage::DoDataExchange();
  side_.Attach(Item(IDC_SIDE_PICTURE));
}

BOOL WelcomePage::OnInitDialog() {
  WizardPage::OnInitDialog();
  const ::PlatformKind kind = host_.PlatformKind();
  if (kind != PlatformKind::Foundation)
    ShowPicture(side_, (kind == PlatformKind::Online ? 31013 : 1013) + ImageCultureOffset());
  LoadPageTexts();
  return TRUE;
}

BOOL WelcomePage::OnSetActive() {
  PropSheet_SetWizButtons(SheetWindow(), PSWIZB_NEXT);
  ShowBackButton(false);
  ShowNextButton();
  FocusButton(wizard_control::Next);
  ShowCancelButton(true);
  platform::trace::Mark("welcome page shown");
  return WizardPage::OnSetActive();
}

bool WelcomePage::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    OnEnterKey();
    return true;
  }
  return false;
}

void WelcomePage::LoadPageTexts() {
  Localization* localization = host_.GetLocalization();
  if (!localization) return;
  const WizardFonts& fonts = Fonts();
  const PageColours colours = CurrentPageColours();
  const UINT titleId = WelcomeTitleText(host_.PlatformKind());
  SetRichText(Item(wizard_control::Title), localization->Message(titleId, {host_.ProductText1007()}),
              fonts.Title(), colours.title);
  std::wstring netFramework = host_.Products().empty() ? std::wstring() : host_.Products().front()->NETFramework;
  if (netFramework.empty()) netFramework = L"4.7.2";
  SetRichText(Item(IDC_DESCRIPTION), localization->Message(50146, {WizardProductList(host_), netFramework}), fonts.Text(),
              colours.text);
  SetRichText(Item(IDC_CLICK_NEXT), localization->String(50147), fonts.Text(), colours.text);
}
