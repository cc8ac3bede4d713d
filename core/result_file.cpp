#include "core/result_file.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "core/secret_mask.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

const wchar_t* OutcomeWord(ItemOutcome outcome) {
  switch (outcome) {
    case ItemOutcome::Succeeded: return L"succeeded";
    case ItemOutcome::Failed: return L"failed";
    case ItemOutcome::Skipped: return L"skipped";
    case ItemOutcome::Cancelled: return L"cancelled";
    case ItemOutcome::NotApplicable: return L"notApplicable";
    case ItemOutcome::Planned: return L"planned";
  }
  return L"notApplicable";
}

// JSON values as text: each function answers one complete value. Every text passes the run's
// mask: an installer's words or a path may hold a password.
std::string Str(const std::wstring& raw, const SecretMask* mask) {
  const std::wstring value = mask ? mask->Apply(raw) : raw;
  std::string out = "\"";
  std::wstring plain;  // converted in runs, so a surrogate pair stays whole
  auto flush = [&] {
    out += text::ToUtf8(plain);
    plain.clear();
  };
  for (wchar_t c : value) {
    if (c >= 0x20 && c != L'"' && c != L'\\') {
      plain += c;
      continue;
    }
    flush();
    char escaped[8];
    snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
    out += c == L'"' ? "\\\"" : c == L'\\' ? "\\\\" : escaped;
  }
  flush();
  return out + "\"";
}
std::string Num(int value) { return std::to_string(value); }
std::string Bool(bool value) { return value ? "true" : "false"; }
std::string Obj(const std::vector<std::pair<const char*, std::string>>& fields) {
  std::string out = "{";
  for (const auto& [name, value] : fields) out += (out.size() > 1 ? ", \"" : "\"") + std::string(name) + "\": " + value;
  return out + "}";
}
std::string Arr(const std::vector<std::string>& values) {
  std::string out = "[";
  for (const std::string& value : values) out += (out.size() > 1 ? ", " : "") + value;
  return out + "]";
}

std::string Item(const ItemReport& item, const SecretMask* mask) {
  auto Str = [mask](const std::wstring& value) { return ::Str(value, mask); };
  std::vector<std::string> logs, packages;
  for (const std::wstring& log : item.logs) logs.push_back(Str(log));
  for (const PackageReport& p : item.packages)
    packages.push_back(Obj({{"group", Num(p.group)}, {"name", Str(p.name)}, {"action", Str(p.action)}, {"reason", Str(p.reason)}}));
  return Obj({{"name", Str(item.name)},
              {"shortName", Str(item.shortName)},
              {"productCode", Str(item.productCode)},
              {"action", Str(item.action.empty() ? std::wstring(L"none") : item.action)},
              {"outcome", Str(OutcomeWord(item.outcome))},
              {"reason", Str(item.reason)},
              {"resultCode", Num(item.resultCode)},
              {"resultText", Str(text::SystemMessage(static_cast<uint32_t>(item.resultCode)))},
              {"logs", Arr(logs)},
              {"packages", Arr(packages)}});
}

}  // namespace

std::wstring UtcTimestamp(const SYSTEMTIME& t) {
  return text::Format(L"%04d-%02d-%02dT%02d:%02d:%02dZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::string ResultJson(const RunSummary& s, const RunReport& report, const SecretMask* mask) {
  auto Str = [mask](const std::wstring& value) { return ::Str(value, mask); };
  std::vector<std::string> prerequisites, products;
  for (const ItemReport& item : report.Prerequisites()) prerequisites.push_back(Item(item, mask));
  for (const ItemReport& item : report.Products()) products.push_back(Item(item, mask));
  const std::string json = Obj({{"schemaVersion", Num(kResultSchemaVersion)},
              {"exitCode", Num(s.exitCode)},
              {"exitName", Str(s.exitName)},
              {"exitText", Str(s.exitText)},
              {"mode", Str(s.mode)},
              {"ui", Str(s.ui)},
              {"forcedSilent", Bool(s.forcedSilent)},
              {"plan", Bool(s.plan)},
              {"start", Str(s.start)},
              {"end", Str(s.end)},
              {"restart", Obj({{"pending", Bool(s.restartPending)}, {"reason", Str(s.restartReason)}})},
              {"log", Str(s.log)},
              {"prerequisites", Arr(prerequisites)},
              {"products", Arr(products)}});
  return json + "\n";
}

DWORD WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = text::Format(L"%s.%u.tmp", path, GetCurrentProcessId());
  {
    platform::UniqueHandle file = platform::CreateNewFile(temporary, GENERIC_WRITE, 0);
    if (!file) return GetLastError();
    DWORD written = 0;
    const bool whole = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && FlushFileBuffers(file.get());
    if (!whole) {
      const DWORD error = GetLastError();
      file.reset();
      DeleteFileW(temporary.c_str());
      return error ? error : ERROR_WRITE_FAULT;
    }
  }
  if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    return error;
  }
  return 0;
}
