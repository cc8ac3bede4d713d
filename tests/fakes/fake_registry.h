// An in-memory registry with both views.
#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>
#include <tuple>

#include "platform/registry.h"
#include "platform/text.h"

class FakeRegistry : public platform::Registry {
 public:
  using Key = std::tuple<platform::Hive, platform::View, std::wstring>;  // key path in lower case

  void Put(platform::Hive hive, platform::View view, const std::wstring& key, const std::wstring& name,
           platform::RegValue value) {
    auto& values = keys_[{hive, view, text::ToLower(key)}];
    for (auto& [n, v] : values)
      if (text::EqualsNoCase(n, name)) {
        v = value;
        return;
      }
    values.emplace_back(name, value);  // kept in insertion order, as the enumeration sees them
  }
  void PutString(platform::Hive hive, platform::View view, const std::wstring& key, const std::wstring& name,
                 const std::wstring& s) {
    platform::RegValue v;
    v.type = REG_SZ;
    v.text = s;
    Put(hive, view, key, name, v);
  }
  void PutDword(platform::Hive hive, platform::View view, const std::wstring& key, const std::wstring& name,
                DWORD d) {
    platform::RegValue v;
    v.type = REG_DWORD;
    v.number = d;
    Put(hive, view, key, name, v);
  }
  void PutKey(platform::Hive hive, platform::View view, const std::wstring& key) {
    keys_[{hive, view, text::ToLower(key)}];
  }

  std::optional<platform::RegValue> Read(platform::Hive hive, const std::wstring& key, const std::wstring& name,
                                         platform::View view, LONG& error) override {
    if (deniedKeys.count(text::ToLower(key))) {
      error = ERROR_ACCESS_DENIED;
      return std::nullopt;
    }
    auto k = keys_.find({hive, view, text::ToLower(key)});
    if (k == keys_.end()) {
      error = ERROR_FILE_NOT_FOUND;
      return std::nullopt;
    }
    for (const auto& [n, v] : k->second)
      if (text::EqualsNoCase(n, name)) {
        error = ERROR_SUCCESS;
        return v;
      }
    error = ERROR_FILE_NOT_FOUND;
    return std::nullopt;
  }
  LONG KeyStatus(platform::Hive hive, const std::wstring& key, platform::View view) override {
    if (deniedKeys.count(text::ToLower(key))) return ERROR_ACCESS_DENIED;
    return keys_.count({hive, view, text::ToLower(key)}) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  }
  LONG Values(platform::Hive hive, const std::wstring& key, platform::View view,
              std::vector<std::pair<std::wstring, platform::RegValue>>& values, LONG& endStatus) override {
    values.clear();
    LONG status = KeyStatus(hive, key, view);
    if (status != ERROR_SUCCESS) return status;
    values = keys_[{hive, view, text::ToLower(key)}];
    endStatus = ERROR_NO_MORE_ITEMS;
    return ERROR_SUCCESS;
  }
  // Keys (lower case) that exist but refuse to open.
  std::set<std::wstring> deniedKeys;
  bool Subkeys(platform::Hive hive, const std::wstring& key, platform::View view,
               std::vector<std::wstring>& names) override {
    std::wstring prefix = text::ToLower(key) + L"\\";
    if (!KeyExists(hive, key, view)) return false;
    names.clear();
    for (const auto& [k, values] : keys_) {
      if (std::get<0>(k) != hive || std::get<1>(k) != view) continue;
      const std::wstring& path = std::get<2>(k);
      if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
          path.find(L'\\', prefix.size()) == std::wstring::npos)
        names.push_back(path.substr(prefix.size()));
    }
    return true;
  }
  LONG WriteString(platform::Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   platform::View view) override {
    PutString(hive, view, key, name, value);
    return ERROR_SUCCESS;
  }
  LONG WriteDword(platform::Hive hive, const std::wstring& key, const std::wstring& name, DWORD value,
                  platform::View view) override {
    PutDword(hive, view, key, name, value);
    return ERROR_SUCCESS;
  }

 private:
  std::map<Key, std::vector<std::pair<std::wstring, platform::RegValue>>> keys_;
};
