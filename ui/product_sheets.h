// The wizard sheets per product: which pages each kind shows per run mode, and the one factory
// that makes those pages. The sheet itself knows no page kinds; the server products' extra pages
// take their templates from the product's resource library, not from setup.exe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/wizard_page.h"

class WizardHost;

enum class SheetKind { Plain, Document, DocumentStoragePlatform, UpdateServer, ReportManager };
// The sheet a product gets, by its short name.
SheetKind ChooseSheetKind(const std::wstring& shortName);

// Which pages a sheet shows, per run mode; kept apart from the windows so the page sets can be
// checked without a display.
enum class SheetPage { Welcome, Product, Login, ReportServerLogin, Catalog, SharedFolders, Install, Finish };
std::vector<SheetPage> SheetPages(SheetKind kind, uint32_t modeFlags);

// The pages of the sheet, in their order (the finish page last). A server product's install
// goes to the default folder: those sheets have no product page to choose one.
std::vector<std::shared_ptr<WizardPage>> MakeSheetPages(SheetKind kind, WizardHost& host);
