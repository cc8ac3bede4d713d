#include "bundle/bundle_file.h"

#include <cstring>
#include <vector>

#include "platform/sha256.h"
#include "platform/text.h"

namespace bundle {

namespace {

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size, DWORD& got) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ReadFile(file, buffer, size, &got, &at) != 0;
}

}  // namespace

CheckedBundle CheckBundle(const std::wstring& path) {
  CheckedBundle b;
  const auto fail = [&b](int code, const std::wstring& problem) {
    b.failure = code;
    b.problem = problem;
    return std::move(b);
  };
  b.file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!b.file || !GetFileSizeEx(b.file.get(), &size))
    return fail(exit_code::BundleUnpackFailed,
                text::Format(L"opening it failed with error code %d", static_cast<int>(GetLastError())));
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);

  std::vector<uint8_t> headers(4096);
  DWORD got = 0;
  if (!ReadAt(b.file.get(), 0, headers.data(), static_cast<DWORD>(headers.size()), got))
    return fail(exit_code::BundleDamaged, L"its headers cannot be read");
  headers.resize(got);
  const std::optional<ImageLayout> image = ReadImageLayout(headers, fileSize);
  if (!image) return fail(exit_code::BundleDamaged, L"it is not a complete program file");

  std::vector<uint8_t> tail(kTrailerSize + kMaxPadding);
  const uint64_t tailStart = image->contentEnd > tail.size() ? image->contentEnd - tail.size() : 0;
  tail.resize(static_cast<size_t>(image->contentEnd - tailStart));
  if (!ReadAt(b.file.get(), tailStart, tail.data(), static_cast<DWORD>(tail.size()), got) || got != tail.size())
    return fail(exit_code::BundleDamaged, L"its end cannot be read");
  const std::optional<Payload> payload = FindPayload(tail, image->contentEnd, image->imageEnd);
  if (!payload) return fail(exit_code::BundleDamaged, L"it carries no complete payload (truncated or damaged)");
  b.payload = *payload;

  std::string manifestText(static_cast<size_t>(payload->manifestSize), '\0');
  if (!ReadAt(b.file.get(), payload->manifestOffset, manifestText.data(), static_cast<DWORD>(manifestText.size()),
              got) || got != manifestText.size())
    return fail(exit_code::BundleDamaged, L"its manifest cannot be read");
  platform::Sha256 manifestHash;
  DWORD error = 0;
  if (!manifestHash.Start(error))
    return fail(exit_code::BundleUnpackFailed,
                text::Format(L"SHA-256 is not available (error code %d)", static_cast<int>(error)));
  manifestHash.Add(manifestText.data(), manifestText.size());
  if (manifestHash.HexDigest() != platform::LowerHex(payload->manifestSha256, sizeof(payload->manifestSha256)))
    return fail(exit_code::BundleDamaged, L"its manifest does not match its trailer");
  std::wstring problem;
  const ManifestVerdict verdict = ParseManifest(manifestText, b.manifest, problem);
  if (verdict != ManifestVerdict::Ok)
    return fail(verdict == ManifestVerdict::Unsafe ? exit_code::BundleUnsafe : exit_code::BundleDamaged, problem);
  if (b.manifest.cabinetSize != payload->cabinetSize)
    return fail(exit_code::BundleDamaged, L"its cabinet's size does not match the manifest");
  // The cabinet's hash is taken while it is unpacked (Unpack), in the same read.
  return b;
}

}  // namespace bundle
