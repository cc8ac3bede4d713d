#include "core/property_map.h"

#include "core/log_file.h"
#include "platform/text.h"

namespace {
bool NumericTest(const std::wstring& value, std::wstring test) {
  static const wchar_t* const kOperators[] = {L">=", L"<=", L"&gt;", L"&lt;", L"!="};
  for (int op = 0; op < 5; ++op) {
    size_t at = test.find(kOperators[op]);
    if (at == std::wstring::npos) continue;
    test.erase(at, wcslen(kOperators[op]));
    long long number = text::AtoI(test);
    long long v = text::AtoI(value);
    switch (op) {
      case 0: return v >= number;
      case 1: return v <= number;
      case 2: return v > number;
      case 3: return v < number;
      default: return v != number;
    }
  }
  return true;  // one of < > & ! without a known operator
}
}  // namespace

bool PropertyMap::Set(const std::wstring& name, const std::wstring& value) {
  values_[name] = value;
  if (IsSecretName(name))
    secrets_.Add(value);
  else  // a value may be an argument text (the setup's command line) holding NAME=password pairs
    secrets_.AddArguments(secrets_.Apply(value));
  return true;
}

std::wstring PropertyMap::Get(const std::wstring& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::wstring() : it->second;
}

bool PropertyMap::Matches(const std::wstring& name, const std::wstring& test) const {
  auto it = values_.find(name);
  if (it == values_.end()) return false;
  return ValueMatches(it->second, test);
}

bool PropertyMap::ValueMatches(const std::wstring& value, const std::wstring& test) {
  if (test.find(L'|') == std::wstring::npos) {
    if (test.find_first_of(L"<>&!") != std::wstring::npos) return NumericTest(value, test);
    return text::EqualsNoCase(value, test);
  }
  size_t start = 0;
  while (start <= test.size()) {
    size_t bar = test.find(L'|', start);
    std::wstring alt = test.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start);
    if (!alt.empty() && text::EqualsNoCase(value, alt)) return true;
    if (bar == std::wstring::npos) break;
    start = bar + 1;
  }
  return false;
}

void PropertyMap::Dump(LogFile& log) const {
  for (const auto& [name, value] : values_) {
    if (IsSecretName(name))
      log.WriteLine(text::Format(L"%s = ******", name));
    else
      log.WriteLine(text::Format(L"%s = %s", name, secrets_.Apply(value)));  // whatever mask the log has
  }
}
