#include "definition/substitute.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}
bool IsNumberChar(wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'_'; }

struct Match {
  size_t pos;
  size_t len;
};

// Left-to-right, non-overlapping matches of open + one or more chars of a class + close.
std::vector<Match> FindTokens(const std::wstring& s, const std::wstring& open, const std::wstring& close,
                              bool (*inClass)(wchar_t)) {
  std::vector<Match> found;
  size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, open.size(), open) != 0) {
      ++i;
      continue;
    }
    size_t j = i + open.size();
    while (j < s.size() && inClass(s[j])) ++j;
    if (j > i + open.size() && s.compare(j, close.size(), close) == 0) {
      found.push_back({i, j + close.size() - i});
      i = j + close.size();
    } else {
      ++i;
    }
  }
  return found;
}

// Puts each property and environment value in place of its reference in the text as written, in
// one pass: an inserted value is never read again, so a "[X]" or "%X%" inside it stays as it is.
// A value's trailing backslash goes when the reference is followed by a path part (the second
// character after it is there and not a blank).
void InsertValues(std::wstring& value, const PropertyMap& properties) {
  struct Reference {
    Match match;
    bool environment;
  };
  std::vector<Reference> references;
  for (const Match& m : FindTokens(value, L"[", L"]", IsNameChar)) references.push_back({m, false});
  for (const Match& m : FindTokens(value, L"%", L"%", IsNameChar)) references.push_back({m, true});
  if (references.empty()) return;
  std::sort(references.begin(), references.end(),
            [](const Reference& a, const Reference& b) { return a.match.pos < b.match.pos; });
  std::wstring out;
  size_t done = 0;
  for (const Reference& r : references) {
    if (r.match.pos < done) continue;  // the delimiters keep references apart; never overlap all the same
    const std::wstring token = value.substr(r.match.pos, r.match.len);
    std::wstring inserted = r.environment ? platform::EnvironmentValue(token.substr(1, token.size() - 2))
                                          : properties.Get(token);
    const size_t after = r.match.pos + r.match.len + 1;
    if (inserted.empty())
      inserted = token;  // unset or empty: the reference stays as written
    else if (inserted.back() == L'\\' && after < value.size() && value[after] != L' ')
      inserted.pop_back();
    out.append(value, done, r.match.pos - done);
    out += inserted;
    done = r.match.pos + r.match.len;
  }
  out.append(value, done, std::wstring::npos);
  value = std::move(out);
}

}  // namespace

void Substitute(std::wstring& value, const PropertyMap& properties, const CultureTextSource& culture) {
  if (!FindTokens(value, L"[[", L"]]", IsNameChar).empty()) {
    value = value.size() <= 2 ? std::wstring() : value.substr(1, value.size() - 2);
    return;
  }

  std::vector<Match> numbers = FindTokens(value, L"[", L"]", IsNumberChar);
  if (!numbers.empty()) {
    std::wstring working;
    for (const Match& m : numbers) {
      std::wstring inner = value.substr(m.pos + 1, m.len - 2);
      long long number = text::AtoI(inner.substr(0, inner.find(L'_')));
      std::wstring found;
      // A number beyond int must not wrap around onto a real text.
      bool known = number <= INT_MAX && culture && culture(static_cast<int>(number), found) && !found.empty();
      working = known ? found : inner;
    }
    value = working;
  }

  InsertValues(value, properties);
}

void Substitute(std::wstring& value, const ReadContext& context) {
  const Localization* localization = context.localization;
  Substitute(value, context.properties, [localization](int number, std::wstring& out) {
    if (!localization) return false;
    out = localization->String(static_cast<UINT>(number));
    return !out.empty();
  });
}

std::vector<SubstitutionToken> SubstitutionTokens(const std::wstring& value) {
  using Kind = SubstitutionToken::Kind;
  std::vector<SubstitutionToken> tokens;
  auto add = [&](Kind kind, const std::vector<Match>& matches) {
    for (const Match& m : matches) tokens.push_back({kind, m.pos, m.len});
  };
  std::vector<Match> escapes = FindTokens(value, L"[[", L"]]", IsNameChar);
  if (!escapes.empty()) {
    add(Kind::Escape, escapes);
    return tokens;
  }
  add(Kind::CultureNumber, FindTokens(value, L"[", L"]", IsNumberChar));
  add(Kind::Property, FindTokens(value, L"[", L"]", IsNameChar));
  add(Kind::Environment, FindTokens(value, L"%", L"%", IsNameChar));
  return tokens;
}

std::wstring ChooseVariablesList(const std::wstring& setupDirectory) {
  std::wstring key = platform::FileExists(text::Format(L"%sDownloadManager.xml", setupDirectory))
                         ? L"ZEM_VQX_INSTALL_ENVIRONMENTKEY"
                         : L"ZEM_INSTALL_ENVIRONMENTKEY";
  std::wstring environment = platform::EnvironmentValue(key);
  if (!environment.empty()) {
    std::wstring name = text::Format(L"VariablesList_%s.xml", environment);
    if (platform::FileExists(setupDirectory + name)) return name;
  }
  return L"VariablesList.xml";
}
