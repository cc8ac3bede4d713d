#include <gtest/gtest.h>

#include "core/run_mode.h"
#include "ui/product_sheets.h"

namespace {

using P = SheetPage;
using K = SheetKind;

TEST(SheetPages, EachSheetShowsItsPagesPerMode) {
  struct Case {
    K kind;
    uint32_t modes;
    std::vector<P> pages;
  } cases[] = {
      {K::Plain, mode::Install, {P::Welcome, P::Product, P::Install, P::Finish}},
      {K::Plain, mode::Upgrade, {P::Install, P::Finish}},
      {K::Document, mode::Install, {P::Welcome, P::Login, P::Catalog, P::SharedFolders, P::Install, P::Finish}},
      {K::Document, mode::Upgrade, {P::Login, P::Install, P::Finish}},
      {K::Document, mode::Repair, {P::Install, P::Finish}},
      {K::Document, mode::Uninstall, {P::Install, P::Finish}},
      {K::DocumentStoragePlatform, mode::Install, {P::Welcome, P::Login, P::Install, P::Finish}},
      {K::DocumentStoragePlatform, mode::Upgrade, {P::Login, P::Install, P::Finish}},
      {K::DocumentStoragePlatform, mode::Uninstall, {P::Install, P::Finish}},
      {K::UpdateServer, mode::Install, {P::Welcome, P::Login, P::Install, P::Finish}},
      {K::UpdateServer, mode::Upgrade, {P::Login, P::Install, P::Finish}},
      {K::UpdateServer, mode::Repair, {P::Install, P::Finish}},
      {K::ReportManager, mode::Install, {P::Welcome, P::ReportServerLogin, P::Install, P::Finish}},
      {K::ReportManager, mode::Upgrade, {P::Install, P::Finish}},
      {K::ReportManager, mode::Repair, {P::Install, P::Finish}},
      // An install flag wins over an upgrade flag beside it, as the plain sheet decides.
      {K::Document, mode::Install | mode::Upgrade,
       {P::Welcome, P::Login, P::Catalog, P::SharedFolders, P::Install, P::Finish}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SheetPages(c.kind, c.modes), c.pages) << static_cast<int>(c.kind) << " mode " << c.modes;
  }
}

}  // namespace
