// Product display name, texts and window titles from the products' resource libraries.
#include "app/app.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "platform/text.h"

bool CCommonBootstrapperApp::LoadProductTexts() {
  Product::ResourceContext context;
  context.uninstallOrRepair = (modeFlags_ & (mode::Uninstall | mode::Repair)) != 0;
  context.silent = cmd_.silent;
  context.setupDirectory = setupDirectory_;
  context.prompts = &platform_.prompts;
  context.localization = localization_.get();
  for (const auto& product : products_)
    if (!product->LoadResources(context)) return false;
  if (products_.empty()) return true;

  const Product& first = *products_.front();
  const int kind = PlatformKind();
  const UINT shift = (kind == 2 ? 30000 : 0) + (localization_ ? localization_->ImageCultureOffset() : 0);
  productDisplayName_ = first.ResourceString(1005 + shift);
  productText1007_ = first.ResourceString(1007 + shift);
  productText1008_ = first.ResourceString(1008);

  if (kind == 1) {
    for (int i = 0; i < 3; ++i)
      titles_[i] = localization_ ? localization_->Message(50181 + i, {productDisplayName_}) : std::wstring();
  } else if (kind == 2) {
    for (auto& title : titles_) title = L"ZEM Telvia Installation";
    std::wstring suiteName;
    if (!soloProduct_ && Localization::ReadString(GetModuleHandleW(nullptr), 1018, suiteName))
      productDisplayName_ = suiteName;
  } else if (kind == 3) {
    for (auto& title : titles_) title = L"Quillon Installation";
  }
  SetEnvironmentVariableW(L"setup_productname", productDisplayName_.c_str());
  currentTitle_ = (modeFlags_ & mode::Uninstall) ? titles_[2] : titles_[1];
  return true;
}
