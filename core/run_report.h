// What became of each prerequisite and product of a run, as the result file reports it: filled
// by the engine as the work goes, completed by the application at the end.
#pragma once

#include <string>
#include <vector>

enum class ItemOutcome { Succeeded, Failed, Skipped, Cancelled, NotApplicable, Planned };

// One package of a product, as a plan (a run that changes nothing) decides it.
struct PackageReport {
  int group = 0;  // 1-based, in the product's order
  std::wstring name;
  std::wstring action;  // "install", "uninstall", "repair", "skip"
  std::wstring reason;  // why, for a skip; empty otherwise
};

struct ItemReport {
  std::wstring name, shortName, productCode;
  std::wstring action;  // "install", "uninstall", "repair", "upgrade", "skip", "none"
  ItemOutcome outcome = ItemOutcome::NotApplicable;
  std::wstring reason;  // why skipped, not applicable or failed
  int resultCode = 0;
  std::vector<std::wstring> logs;  // the installer logs written for it
  std::vector<PackageReport> packages;
};

class RunReport {
 public:
  // The entry of that name, made on first use; entries keep the order they were first named in.
  ItemReport& Prerequisite(const std::wstring& name) { return Entry(prerequisites_, name, &ItemReport::name); }
  ItemReport& Product(const std::wstring& shortName) { return Entry(products_, shortName, &ItemReport::shortName); }
  // The product's entry; null when none was made.
  const ItemReport* FindProduct(const std::wstring& shortName) const {
    for (const ItemReport& item : products_)
      if (item.shortName == shortName) return &item;
    return nullptr;
  }
  const std::vector<ItemReport>& Prerequisites() const { return prerequisites_; }
  const std::vector<ItemReport>& Products() const { return products_; }

 private:
  static ItemReport& Entry(std::vector<ItemReport>& items, const std::wstring& key, std::wstring ItemReport::*field) {
    for (ItemReport& item : items)
      if (item.*field == key) return item;
    items.emplace_back();
    items.back().*field = key;
    return items.back();
  }
  std::vector<ItemReport> prerequisites_, products_;
};
