#include "bundle/unpack.h"

#include <set>

#include "bundle/entry_name.h"
#include "platform/cabinet_reader.h"
#include "platform/remove_tree.h"
#include "platform/sha256.h"
#include "platform/text.h"

namespace bundle {

namespace {

using platform::FolderFacts;

// Writes each entry the manifest lists, once, to the size it gives, and compares its hash.
class CheckingSink final : public platform::CabinetSink {
 public:
  CheckingSink(const Manifest& manifest, const std::wstring& root) : manifest_(manifest), root_(root) {}

  bool Begin(const platform::CabinetEntry& entry) override {
    const std::wstring unsafe = UnsafeEntryName(entry.name);
    if (!unsafe.empty()) return Fail(exit_code::BundleUnsafe, text::Format(L"its cabinet holds %s: %s", unsafe, entry.name));
    record_ = manifest_.Find(entry.name);
    if (!record_) return Fail(exit_code::BundleDamaged, text::Format(L"its cabinet holds %s, which the manifest does not list", entry.name));
    if (!seen_.insert(record_).second) return Fail(exit_code::BundleUnsafe, text::Format(L"its cabinet holds %s twice", entry.name));
    if (entry.size > record_->size)
      return Fail(exit_code::BundleUnsafe, text::Format(L"%s would expand past the size its manifest allows", entry.name));
    std::wstring relative = entry.name;
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    const std::wstring path = root_ + L"\\" + relative;
    if (path.size() >= MAX_PATH) return Fail(exit_code::BundleUnsafe, text::Format(L"%s would be too long a path once unpacked", entry.name));
    // Folders below the root inherit its protected list; nothing else can be there yet.
    for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos; slash = relative.find(L'\\', slash + 1))
      CreateDirectoryW((root_ + L"\\" + relative.substr(0, slash)).c_str(), nullptr);
    out_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out_) return Fail(exit_code::BundleUnpackFailed, text::Format(L"creating %s failed with error code %d", path, static_cast<int>(GetLastError())));
    written_ = 0;
    hash_ = platform::Sha256();
    DWORD error = 0;
    if (!hash_.Start(error)) return Fail(exit_code::BundleUnpackFailed, text::Format(L"SHA-256 failed with error code %d", static_cast<int>(error)));
    return true;
  }

  bool Write(const void* data, uint32_t size) override {
    if (!out_) return false;
    if (size > record_->size - written_)
      return Fail(exit_code::BundleUnsafe, text::Format(L"%s expands past the size its manifest allows", record_->name));
    DWORD put = 0;
    if (!WriteFile(out_.get(), data, size, &put, nullptr) || put != size)
      return Fail(exit_code::BundleUnpackFailed, text::Format(L"writing %s failed with error code %d", record_->name, static_cast<int>(GetLastError())));
    written_ += size;
    return hash_.Add(data, size) || Fail(exit_code::BundleUnpackFailed, L"SHA-256 failed");
  }

  bool End() override {
    out_.reset();
    if (written_ != record_->size || hash_.HexDigest() != record_->sha256)
      return Fail(exit_code::BundleDamaged, text::Format(L"%s does not match the manifest", record_->name));
    return true;
  }

  bool Cabinet(const void* data, uint32_t size) override {
    return cabinetHash_.Add(data, size) || Fail(exit_code::BundleUnpackFailed, L"SHA-256 failed");
  }

  // After the whole cabinet: it is the one the manifest names, and every listed file has come.
  bool Complete() {
    if (cabinetHash_.HexDigest() != manifest_.cabinetSha256)
      return Fail(exit_code::BundleDamaged, L"its cabinet does not match the manifest");
    for (const ManifestFile& file : manifest_.files)
      if (!seen_.count(&file)) return Fail(exit_code::BundleDamaged, text::Format(L"its cabinet lacks %s", file.name));
    return true;
  }

  bool StartCabinetHash() {
    DWORD error = 0;
    if (cabinetHash_.Start(error)) return true;
    return Fail(exit_code::BundleUnpackFailed, text::Format(L"SHA-256 failed with error code %d", static_cast<int>(error)));
  }

  int failure = 0;
  std::wstring problem;

 private:
  bool Fail(int code, const std::wstring& why) {
    failure = code;
    problem = why;
    out_.reset();
    return false;
  }

  const Manifest& manifest_;
  std::wstring root_;
  std::set<const ManifestFile*> seen_;
  const ManifestFile* record_ = nullptr;
  platform::UniqueHandle out_;
  platform::Sha256 hash_;
  platform::Sha256 cabinetHash_;  // over the whole cabinet, as FDI reads it
  uint64_t written_ = 0;
};

std::wstring RandomName() {
  unsigned char bytes[16];
  if (!platform::SystemRandom(bytes, sizeof(bytes))) return {};
  std::wstring name = L"Setup-";
  for (unsigned char b : bytes) name += text::Format(L"%02x", static_cast<int>(b));
  return name;
}

}  // namespace

Unpacked Unpack(platform::Security& security, const CheckedBundle& bundle) {
  Unpacked result;
  const auto fail = [&result](int code, const std::wstring& problem) {
    result.failure = code;
    result.problem = problem;
    return result;
  };
  wchar_t windows[MAX_PATH] = {};
  const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return fail(exit_code::BundleUnpackFailed, L"the Windows folder cannot be found");
  const std::wstring parent = std::wstring(windows, n) + L"\\Temp";
  // A link there could lead the files into a folder someone else controls.
  if (security.InspectFolder(parent).kind != FolderFacts::Kind::Directory)
    return fail(exit_code::BundleUnpackFailed, text::Format(L"%s is not a plain folder", parent));
  DWORD error = ERROR_ALREADY_EXISTS;
  for (int attempt = 0; attempt < 3 && error == ERROR_ALREADY_EXISTS; ++attempt) {
    const std::wstring name = RandomName();
    if (name.empty()) return fail(exit_code::BundleUnpackFailed, L"the system's random generator failed");
    result.folder = parent + L"\\" + name;
    error = security.CreateProtectedFolder(result.folder);
  }
  if (error != 0) {
    const std::wstring folder = result.folder;
    result.folder.clear();
    return fail(exit_code::BundleUnpackFailed, text::Format(L"creating %s failed with error code %d", folder, static_cast<int>(error)));
  }

  CheckingSink sink(bundle.manifest, result.folder);
  std::wstring detail;
  const platform::CabinetOutcome outcome =
      sink.StartCabinetHash()
          ? platform::ReadCabinet(bundle.file.get(), bundle.payload.cabinetOffset, bundle.payload.cabinetSize, sink, detail)
          : platform::CabinetOutcome::Stopped;
  int failure = 0;
  std::wstring problem;
  // A cabinet that does not match its manifest fails here or, when FDI reads it without fault,
  // in Complete; either way before anything runs, and the folder goes.
  switch (outcome) {
    case platform::CabinetOutcome::Done:
      if (!sink.Complete()) failure = sink.failure, problem = sink.problem;
      break;
    case platform::CabinetOutcome::Stopped:
      failure = sink.failure, problem = sink.problem;
      break;
    case platform::CabinetOutcome::Damaged:
      failure = exit_code::BundleDamaged, problem = L"its cabinet cannot be read: " + detail;
      break;
    default:
      failure = exit_code::BundleUnpackFailed, problem = L"unpacking failed: " + detail;
  }
  if (failure == 0) return result;
  platform::RemoveTree(result.folder);
  result.folder.clear();
  return fail(failure, problem);
}

}  // namespace bundle
