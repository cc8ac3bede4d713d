#include "ui/product_sheets.h"

#include "core/run_mode.h"
#include "platform/text.h"
#include "ui/catalog_page.h"
#include "ui/finish_page.h"
#include "ui/install_page.h"
#include "ui/login_page.h"
#include "ui/product_page.h"
#include "ui/shared_folders_page.h"
#include "ui/ssrs_login_page.h"
#include "ui/welcome_page.h"
#include "ui/wizard_host.h"

SheetKind ChooseSheetKind(const std::wstring& shortName) {
  static const struct {
    const wchar_t* shortName;
    SheetKind kind;
  } kSheets[] = {
      {L"VaradavuRadare", SheetKind::Document},
      {L"VURovizo", SheetKind::UpdateServer},
      {L"VaruzaVuruduzOduzur", SheetKind::ReportManager},
      {L"VoruderaDEZ", SheetKind::DocumentStoragePlatform},
  };
  for (const auto& sheet : kSheets) {
    if (text::EqualsNoCase(shortName, sheet.shortName)) return sheet.kind;
  }
  return SheetKind::Plain;
}

std::vector<SheetPage> SheetPages(SheetKind kind, uint32_t modeFlags) {
  using P = SheetPage;
  if (modeFlags & mode::Install) {
    switch (kind) {
      case SheetKind::Plain:
        return {P::Welcome, P::Product, P::Install, P::Finish};
      case SheetKind::Document:
        return {P::Welcome, P::Login, P::Catalog, P::SharedFolders, P::Install, P::Finish};
      case SheetKind::DocumentStoragePlatform:
      case SheetKind::UpdateServer:
        return {P::Welcome, P::Login, P::Install, P::Finish};
      case SheetKind::ReportManager:
        return {P::Welcome, P::ReportServerLogin, P::Install, P::Finish};
    }
  }
  // An upgrade asks again for the server the new release talks to; the report manager's
  // server is kept from its installation.
  const bool login =
      (modeFlags & mode::Upgrade) && kind != SheetKind::Plain && kind != SheetKind::ReportManager;
  if (login) return {P::Login, P::Install, P::Finish};
  return {P::Install, P::Finish};
}

namespace {

std::shared_ptr<WizardPage> MakePage(SheetPage which, SheetKind kind, WizardHost& host) {
  const uint32_t modes = host.ModeFlags();
  const bool upgradeOnly = (modes & mode::Upgrade) && !(modes & mode::Install);
  HINSTANCE library = host.ProductLibrary();
  switch (which) {
    case SheetPage::Welcome:
      return std::make_shared<WelcomePage>(host);
    case SheetPage::Product:
      return std::make_shared<ProductPage>(host);
    case SheetPage::Login:
      return std::make_shared<LoginPage>(host, upgradeOnly, kind == SheetKind::UpdateServer, library);
    case SheetPage::ReportServerLogin:
      return std::make_shared<SSRSLoginPage>(host, library);
    case SheetPage::Catalog:
      return std::make_shared<CatalogPage>(host, library);
    case SheetPage::SharedFolders:
      return std::make_shared<SharedFoldersPage>(host, library);
    case SheetPage::Install:
      return std::make_shared<InstallPage>(host);
    case SheetPage::Finish:
      return std::make_shared<FinishPage>(host);
  }
  return nullptr;
}

}  // namespace

std::vector<std::shared_ptr<WizardPage>> MakeSheetPages(SheetKind kind, WizardHost& host) {
  std::vector<std::shared_ptr<WizardPage>> pages;
  for (SheetPage which : SheetPages(kind, host.ModeFlags())) pages.push_back(MakePage(which, kind, host));
  if (kind != SheetKind::Plain && (host.ModeFlags() & mode::Install))
    host.SetInstallDirectory(host.DefaultInstallDirectory());
  return pages;
}
