#include "app/product_texts.h"

#include "core/localization.h"
#include "core/run_mode.h"

bool ProductTexts::Load(const ProductCatalog& products, const ProductTextSettings& settings) {
  Product::ResourceContext context;
  context.uninstallOrRepair = (settings.modeFlags & (mode::Uninstall | mode::Repair)) != 0;
  context.silent = settings.silent;
  context.setupDirectory = settings.setupDirectory;
  context.prompts = settings.prompts;
  context.localization = settings.localization;
  for (const auto& product : products)
    if (!product->LoadResources(context)) return false;
  if (products.empty()) return true;

  const Product& first = *products.front();
  const Localization* culture = settings.localization;
  const UINT shift = (settings.kind == PlatformKind::Online ? 30000 : 0) + (culture ? culture->ImageCultureOffset() : 0);
  displayName_ = first.ResourceString(1005 + shift);
  text1007_ = first.ResourceString(1007 + shift);
  text1008_ = first.ResourceString(1008);

  switch (settings.kind) {
    case PlatformKind::OnPremises:
      for (int i = 0; i < 3; ++i) titles_[i] = culture ? culture->Message(50181 + i, {displayName_}) : std::wstring();
      break;
    case PlatformKind::Online: {
      for (auto& title : titles_) title = L"ZEM Telvia Installation";
      std::wstring suiteName;
      if (!settings.solo && Localization::ReadString(settings.ownResources, 1018, suiteName)) displayName_ = suiteName;
      break;
    }
    case PlatformKind::Foundation:
      for (auto& title : titles_) title = L"Quillon Installation";
      break;
    case PlatformKind::Other:
      break;
  }
  SetEnvironmentVariableW(L"setup_productname", displayName_.c_str());
  currentTitle_ = (settings.modeFlags & mode::Uninstall) ? titles_[2] : titles_[1];
  return true;
}
