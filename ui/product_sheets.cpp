#include "ui/product_sheets.h"

#include "core/property_map.h"
#include "core/run_mode.h"
#include "ui/catalog_page.h"
#include "ui/login_page.h"
#include "ui/shared_folders_page.h"
#include "ui/ssrs_login_page.h"

std::vector<SheetPage> SheetPages(ProductSheetKind kind, uint32_t modeFlags) {
  using P = SheetPage;
  if (modeFlags & mode::Install) {
    switch (kind) {
      case ProductSheetKind::Plain:
        return {P::Welcome, P::Product, P::Install, P::Finish};
      case ProductSheetKind::Document:
        return {P::Welcome, P::Login, P::Catalog, P::SharedFolders, P::Install, P::Finish};
      case ProductSheetKind::DocumentStoragePlatform:
      case ProductSheetKind::UpdateServer:
        return {P::Welcome, P::Login, P::Install, P::Finish};
      case ProductSheetKind::ReportManager:
        return {P::Welcome, P::ReportServerLogin, P::Install, P::Finish};
    }
  }
  // An upgrade asks again for the server the new release talks to; the report manager's
  // server is kept from its installation.
  const bool login = (modeFlags & mode::Upgrade) && kind != ProductSheetKind::Plain &&
                     kind != ProductSheetKind::ReportManager;
  if (login) return {P::Login, P::Install, P::Finish};
  return {P::Install, P::Finish};
}

void ProductWizardSheet::CreatePages() {
  const uint32_t modes = host_.ModeFlags();
  const bool install = modes & mode::Install;
  const bool upgrade = modes & mode::Upgrade;
  // The extra pages' templates are the product's; made before the base so that the page order
  // finds every page ready.
  HINSTANCE library = host_.ProductLibrary();
  switch (Kind()) {
    case ProductSheetKind::Document:
      if (install || upgrade) login_ = std::make_shared<LoginPage>(host_, upgrade && !install, false, library);
      if (install) {
        catalog_ = std::make_shared<CatalogPage>(host_, library);
        sharedFolders_ = std::make_shared<SharedFoldersPage>(host_, library);
      }
      break;
    case ProductSheetKind::DocumentStoragePlatform:
    case ProductSheetKind::UpdateServer:
      if (install || upgrade) {
        login_ = std::make_shared<LoginPage>(host_, upgrade && !install, Kind() == ProductSheetKind::UpdateServer,
                                             library);
      }
      break;
    case ProductSheetKind::ReportManager:
      if (install) login_ = std::make_shared<SSRSLoginPage>(host_, library);
      break;
    case ProductSheetKind::Plain:
      break;
  }
  CWizardSheet::CreatePages();
  if (install) {
    // The product sheets have no product page: the products go to their default folder.
    const std::wstring folder = host_.DefaultInstallDirectory();
    host_.Properties().Set(L"[INSTALLDIRECTORY]", folder);
    host_.SetInstallDirectory(folder);
  }
}

std::shared_ptr<WizardPage> ProductWizardSheet::PageFor(SheetPage which) const {
  switch (which) {
    case SheetPage::Welcome:
      return welcome_;
    case SheetPage::Product:
      return product_;
    case SheetPage::Login:
    case SheetPage::ReportServerLogin:
      return login_;
    case SheetPage::Catalog:
      return catalog_;
    case SheetPage::SharedFolders:
      return sharedFolders_;
    case SheetPage::Install:
      return install_;
    case SheetPage::Finish:
      return finish_;
  }
  return nullptr;
}

void ProductWizardSheet::AddPages() {
  for (SheetPage which : SheetPages(Kind(), host_.ModeFlags())) AddPage(PageFor(which));
}
