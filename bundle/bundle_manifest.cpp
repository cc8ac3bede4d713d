#include "bundle/bundle_manifest.h"

#include <set>

#include "bundle/entry_name.h"
#include "platform/text.h"

namespace bundle {

namespace {

constexpr std::string_view kHeader = "ZEM bundle manifest 1";

bool IsDigest(std::string_view s) {
  if (s.size() != 64) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

bool ReadSize(std::string_view s, uint64_t& size) {
  if (s.empty() || s.size() > 15) return false;  // below 2^50: sums cannot overflow
  size = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    size = size * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// "<word> <rest>": the first field and what follows its blank.
std::string_view Field(std::string_view& line) {
  const size_t blank = line.find(' ');
  std::string_view field = line.substr(0, blank);
  line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  return field;
}

std::wstring Folded(const std::wstring& name) {
  std::wstring folded = text::ToLower(name);
  for (wchar_t& c : folded)
    if (c == L'/') c = L'\\';
  return folded;
}

}  // namespace

const ManifestFile* Manifest::Find(const std::wstring& name) const {
  const std::wstring wanted = Folded(name);
  for (const ManifestFile& file : files)
    if (Folded(file.name) == wanted) return &file;
  return nullptr;
}

ManifestVerdict ParseManifest(std::string_view text, Manifest& manifest, std::wstring& problem) {
  manifest = Manifest();
  std::set<std::wstring> seen;
  bool cabinet = false;
  size_t number = 0;
  bool blankSeen = false;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
      problem = L"the manifest's last line is cut off";
      return ManifestVerdict::Damaged;
    }
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    ++number;
    if (line.empty()) {
      blankSeen = true;
      continue;
    }
    if (blankSeen) {
      problem = text::Format(L"line %d of the manifest follows a blank line", static_cast<int>(number));
      return ManifestVerdict::Damaged;
    }
    if (number == 1) {
      if (line != kHeader) {
        problem = L"the manifest has no known header";
        return ManifestVerdict::Damaged;
      }
      continue;
    }
    const std::string_view kind = Field(line);
    const std::string_view digest = Field(line);
    uint64_t size = 0;
    const bool sized = ReadSize(kind == "file" ? Field(line) : line, size);
    if (!IsDigest(digest) || !sized || (kind == "cabinet") == cabinet || (kind != "cabinet" && kind != "file") ||
        (kind == "file" && line.empty())) {
      problem = text::Format(L"line %d of the manifest is malformed", static_cast<int>(number));
      return ManifestVerdict::Damaged;
    }
    if (kind == "cabinet") {
      if (number != 2) {
        problem = L"the manifest's cabinet record is not its second line";
        return ManifestVerdict::Damaged;
      }
      cabinet = true;
      manifest.cabinetSha256 = std::string(digest);
      manifest.cabinetSize = size;
      continue;
    }
    ManifestFile file{text::FromUtf8(line), size, std::string(digest)};
    const std::wstring unsafe = UnsafeEntryName(file.name);
    if (!unsafe.empty()) {
      problem = text::Format(L"the manifest lists %s: %s", unsafe, file.name);
      return ManifestVerdict::Unsafe;
    }
    if (!seen.insert(Folded(file.name)).second) {
      problem = text::Format(L"the manifest lists %s twice", file.name);
      return ManifestVerdict::Unsafe;
    }
    manifest.expandedSize += size;
    if (manifest.expandedSize > kMaxExpandedSize) {
      problem = L"the bundle would unpack to more than a bundle may hold";
      return ManifestVerdict::Unsafe;
    }
    manifest.files.push_back(std::move(file));
  }
  if (number == 0 || !cabinet) {
    problem = L"the manifest is empty or names no cabinet";
    return ManifestVerdict::Damaged;
  }
  if (!manifest.Find(L"setup.exe")) {
    problem = L"the bundle holds no setup.exe";
    return ManifestVerdict::Damaged;
  }
  return ManifestVerdict::Ok;
}

}  // namespace bundle
