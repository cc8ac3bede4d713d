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

// A value for a Windows Installer property string: inside a quoted value its quotes are doubled;
// standing bare, it is quoted when it holds a blank or a quote, so it stays one value.
std::wstring ForPropertyString(const std::wstring& inserted, bool insideQuotes) {
  std::wstring doubled;
  for (wchar_t c : inserted) doubled.append(c == L'"' ? 2 : 1, c);
  if (insideQuotes || inserted.find_first_of(L" \t\"") == std::wstring::npos) return doubled;
  return L"\"" + doubled + L"\"";
}

// Puts each property and environment value in place of its reference in the text as written, in
// one pass: an inserted value is never read again, so a "[X]" or "%X%" inside it stays as it is.
// A value's trailing backslash goes when the reference is followed by a path part (the second
// character after it is there and not a blank).
void InsertValues(std::wstring& value, const PropertyMap& properties, Insertion insertion) {
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
    out.append(value, done, r.match.pos - done);
    done = r.match.pos + r.match.len;
    const std::wstring token = value.substr(r.match.pos, r.match.len);
    std::wstring inserted = r.environment ? platform::EnvironmentValue(token.substr(1, token.size() - 2))
                                          : properties.Get(token);
    if (inserted.empty()) {
      out += token;  // unset or empty: the reference stays as written
      continue;
    }
    if (inserted.back() == L'\\' && done + 1 < value.size() && value[done + 1] != L' ') inserted.pop_back();
    if (insertion == Insertion::PropertyString) {
      // Quotes of the text as written: an odd number before the reference opens a quoted value.
      const bool quoted = std::count(value.begin(), value.begin() + r.match.pos, L'"') % 2 == 1;
      inserted = ForPropertyString(inserted, quoted);
    }
    out += inserted;
  }
  out.append(value, done, std::wstring::npos);
  value = std::move(out);
}

}  // namespace

void Substitute(std::wstring& value, const PropertyMap& properties, const CultureTextSource& culture,
                Insertion insertion) {
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

  InsertValues(value, properties, insertion);
}

void Substitute(std::wstring& value, const ReadContext& context, Insertion insertion) {
  const Localization* localization = context.localization;
  Substitute(
      value, context.properties,
      [localization](int number, std::wstring& out) {
        if (!localization) return false;
        out = localization->String(static_cast<UINT>(number));
        return !out.empty();
      },
      insertion);
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
