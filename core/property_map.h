// The run's one ordered name-to-value store.
#pragma once

#include <map>
#include <string>

#include "core/secret_mask.h"

class LogFile;

class PropertyMap {
 public:
  bool Set(const std::wstring& name, const std::wstring& value);
  // The value, or an empty text when the name is absent.
  std::wstring Get(const std::wstring& name) const;
  bool Has(const std::wstring& name) const { return values_.count(name) != 0; }
  // The value test that every condition uses; false for an absent name.
  bool Matches(const std::wstring& name, const std::wstring& test) const;
  // One log line per property in name order, secrets masked.
  void Dump(LogFile& log) const;

  const std::map<std::wstring, std::wstring>& All() const { return values_; }
  // Every secret value set so far, and those the run adds from its arguments.
  SecretMask& Secrets() { return secrets_; }
  const SecretMask& Secrets() const { return secrets_; }

  // The test on its own, for a value the caller already has.
  static bool ValueMatches(const std::wstring& value, const std::wstring& test);

 private:
  std::map<std::wstring, std::wstring> values_;  // std::less compares code unit by code unit
  SecretMask secrets_;
};
