// The wizard sheets of the server products: the plain sheet's pages plus the pages that ask for a
// service account, a server, folders or a catalog drive. Those pages' templates belong to the
// product's resource library, not to setup.exe.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/wizard_sheet.h"

// Which extra pages a product sheet shows, per run mode; kept apart from the windows so the
// page sets can be checked without a display.
enum class SheetPage { Welcome, Product, Login, ReportServerLogin, Catalog, SharedFolders, Install, Finish };
enum class ProductSheetKind { Plain, Document, DocumentStoragePlatform, UpdateServer, ReportManager };
std::vector<SheetPage> SheetPages(ProductSheetKind kind, uint32_t modeFlags);

// A sheet whose page order comes from SheetPages; the product sheets differ in what they make.
class ProductWizardSheet : public CWizardSheet {
 public:
  ProductWizardSheet(WizardHost& host, ProductSheetKind kind) : CWizardSheet(host, L""), kind_(kind) {}
  void CreatePages() override;
  void AddWizardPages() override { AddPages(); }
  void AddProgressPages() override { AddPages(); }
  ProductSheetKind Kind() const { return kind_; }

 private:
  void AddPages();
  std::shared_ptr<WizardPage> PageFor(SheetPage which) const;

  ProductSheetKind kind_;
  std::shared_ptr<WizardPage> login_, catalog_, sharedFolders_;
};

class DocumentWizardSheet final : public ProductWizardSheet {
 public:
  explicit DocumentWizardSheet(WizardHost& host) : ProductWizardSheet(host, ProductSheetKind::Document) {}
};

class DSPWizardSheet final : public ProductWizardSheet {
 public:
  explicit DSPWizardSheet(WizardHost& host) : ProductWizardSheet(host, ProductSheetKind::DocumentStoragePlatform) {}
};

class VURovizoWizardSheet final : public ProductWizardSheet {
 public:
  explicit VURovizoWizardSheet(WizardHost& host) : ProductWizardSheet(host, ProductSheetKind::UpdateServer) {}
};

class VaruzaVuruduzOduzurWizardSheet final : public ProductWizardSheet {
 public:
  explicit VaruzaVuruduzOduzurWizardSheet(WizardHost& host)
      : ProductWizardSheet(host, ProductSheetKind::ReportManager) {}
};
