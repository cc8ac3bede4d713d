#include "core/secret_mask.h"

#include <windows.h>

#include <algorithm>

#include "core/secret_forms.h"
#include "platform/text.h"

bool IsSecretName(const std::wstring& name) {
  return text::ContainsNoCase(name, L"PASSWORD") || text::ContainsNoCase(name, L"PWD");
}

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Unquoted(const std::wstring& value) {
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') return value.substr(1, value.size() - 2);
  return value;
}

template <typename S>
void ReplaceAll(S& text, const S& value, const S& shown) {
  if (value.empty()) return;
  for (size_t at = text.find(value); at != S::npos; at = text.find(value, at + shown.size()))
    text.replace(at, value.size(), shown);
}

}  // namespace

std::vector<ArgumentPair> ArgumentPairs(const std::wstring& arguments) {
  std::vector<ArgumentPair> pairs;
  size_t pos = 0;
  while (pos < arguments.size()) {
    while (pos < arguments.size() && IsBlank(arguments[pos])) ++pos;
    const size_t start = pos;
    size_t eq = std::wstring::npos;
    bool quoted = false;
    while (pos < arguments.size() && (quoted || !IsBlank(arguments[pos]))) {
      if (arguments[pos] == L'"') quoted = !quoted;
      if (arguments[pos] == L'=' && eq == std::wstring::npos && !quoted) eq = pos;
      ++pos;
    }
    if (eq != std::wstring::npos && eq > start)
      pairs.push_back({start, pos, arguments.substr(start, eq - start), arguments.substr(eq + 1, pos - eq - 1)});
  }
  return pairs;
}

void SecretMask::Add(const std::wstring& value) {
  if (value.empty() || value == kShown || std::find(values_.begin(), values_.end(), value) != values_.end()) return;
  values_.push_back(value);
  std::stable_sort(values_.begin(), values_.end(),
                   [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
}

void SecretMask::AddArguments(const std::wstring& arguments) {
  for (const ArgumentPair& pair : ArgumentPairs(arguments)) {
    if (!IsSecretName(pair.name) || pair.value.find(kShown) != std::wstring::npos) continue;
    Add(pair.value);
    Add(Unquoted(pair.value));
  }
}

std::wstring SecretMask::Apply(std::wstring text) const {
  const std::wstring shown = kShown;
  for (const std::wstring& value : values_) ReplaceAll(text, value, shown);
  return text;
}

std::string SecretMask::ApplyToFile(std::string bytes) const {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    memcpy(wide.data(), bytes.data() + 2, wide.size() * 2);
    wide = Apply(wide);
    std::string out = bytes.substr(0, 2);
    out.append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    if (bytes.size() % 2) out += bytes.back();  // an odd last byte of a cut-off write stays as it was
    return out;
  }
  std::vector<std::string> forms;
  for (const std::wstring& value : values_) {
    for (std::string& form : NarrowForms(value)) forms.push_back(std::move(form));
  }
  // Longest first, as for the values: a form inside a longer one leaves no tail.
  std::stable_sort(forms.begin(), forms.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  const std::string shown = text::ToUtf8(kShown);  // ASCII: the same bytes in every narrow encoding
  for (const std::string& form : forms) ReplaceAll(bytes, form, shown);
  return bytes;
}

std::wstring WithoutSecretArguments(const std::wstring& arguments) {
  std::wstring out = arguments;
  std::vector<ArgumentPair> pairs = ArgumentPairs(arguments);
  for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
    if (!IsSecretName(it->name)) continue;
    size_t end = it->end;
    while (end < out.size() && IsBlank(out[end])) ++end;
    out.erase(it->start, end - it->start);
  }
  return out;
}

std::wstring SecretArgumentNames(const std::wstring& arguments) {
  std::vector<std::wstring> names;
  for (const ArgumentPair& pair : ArgumentPairs(arguments)) {
    if (IsSecretName(pair.name) && std::find(names.begin(), names.end(), pair.name) == names.end())
      names.push_back(pair.name);
  }
  std::wstring out;
  for (const std::wstring& name : names) out += (out.empty() ? L"" : L";") + name;
  return out;
}

std::wstring HidingSecrets(const std::wstring& properties) {
  std::wstring names = SecretArgumentNames(properties);
  if (names.empty()) return properties;
  return properties + (properties.empty() || IsBlank(properties.back()) ? L"" : L" ") + L"MsiHiddenProperties=" + names;
}
