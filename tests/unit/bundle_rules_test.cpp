// The one-file setup's rules that need no file: entry names, the manifest, where the payload
// lies, and the arguments handed on.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bundle/bundle_manifest.h"
#include "bundle/command_tail.h"
#include "bundle/entry_name.h"
#include "bundle/payload_layout.h"

namespace {

TEST(BundleEntryName, OnlyNamesThatStayInTheirFolderPass) {
  const struct {
    std::wstring name;
    bool safe;
  } cases[] = {
      {L"setup.exe", true}, {L"Packages\\Rizod Quick Start.txt", true}, {L"a/b.txt", true}, {L"..data", true},
      {L"", false}, {L"..\\x", false}, {L"a\\..\\..\\x", false}, {L"a/../x", false}, {L".\\x", false},
      {L"\\Windows\\x", false}, {L"/x", false}, {L"C:x", false}, {L"x.txt:stream", false},
      {L"a\\\\b", false}, {L"a\\", false}, {L".. \\x", false}, {L"a.\\x", false}, {L"NUL", false},
      {L"dir\\com1.txt", false}, {L"a?b", false}, {L"a\tb", false}, {std::wstring(259, L'a'), true},
      {std::wstring(260, L'a'), false}, {L"com10", true}};
  for (const auto& c : cases) EXPECT_EQ(bundle::UnsafeEntryName(c.name).empty(), c.safe) << c.name;
}

const std::string kDigest(64, 'a');
const std::string kHead = "ZEM bundle manifest 1\ncabinet " + kDigest + " 10\n";

TEST(BundleManifest, ParsesWhatThePackerWritesAndRefusesTheRest) {
  using V = bundle::ManifestVerdict;
  const struct {
    std::string text;
    V verdict;
  } cases[] = {
      {kHead + "file " + kDigest + " 5 setup.exe\nfile " + kDigest + " 7 Packages\\a b.msi\n\n\n", V::Ok},
      {kHead + "file " + kDigest + " 5 SETUP.EXE\n", V::Ok},
      {kHead + "file " + kDigest + " 5 other.exe\n", V::Damaged},                    // no setup.exe
      {kHead + "file " + kDigest + " 5 setup.exe", V::Damaged},                      // cut off
      {"ZEM bundle manifest 2\ncabinet " + kDigest + " 10\nfile " + kDigest + " 5 setup.exe\n", V::Damaged},
      {kHead + "file " + kDigest.substr(1) + "g 5 setup.exe\n", V::Damaged},         // not a digest
      {kHead + "file " + kDigest + " -5 setup.exe\n", V::Damaged},
      {kHead + "file " + kDigest + " 5\n", V::Damaged},                              // no name
      {kHead + "cabinet " + kDigest + " 10\nfile " + kDigest + " 5 setup.exe\n", V::Damaged},
      {"ZEM bundle manifest 1\nfile " + kDigest + " 5 setup.exe\n", V::Damaged},     // no cabinet
      {kHead + "\nfile " + kDigest + " 5 setup.exe\n", V::Damaged},                  // record after padding
      {kHead + "file " + kDigest + " 5 setup.exe\nfile " + kDigest + " 5 ..\\x\n", V::Unsafe},
      {kHead + "file " + kDigest + " 5 setup.exe\nfile " + kDigest + " 5 Setup.exe\n", V::Unsafe},
      {kHead + "file " + kDigest + " 5 setup.exe\nfile " + kDigest + " 8589934592 big\n", V::Unsafe},
  };
  for (const auto& c : cases) {
    bundle::Manifest manifest;
    std::wstring problem;
    EXPECT_EQ(bundle::ParseManifest(c.text, manifest, problem), c.verdict) << c.text;
    EXPECT_EQ(problem.empty(), c.verdict == V::Ok) << c.text;
  }
  bundle::Manifest manifest;
  std::wstring problem;
  ASSERT_EQ(bundle::ParseManifest(kHead + "file " + kDigest + " 5 setup.exe\nfile " + kDigest + " 7 P\\a b.msi\n",
                                  manifest, problem), V::Ok);
  EXPECT_EQ(manifest.cabinetSize, 10u);
  EXPECT_EQ(manifest.expandedSize, 12u);
  ASSERT_NE(manifest.Find(L"p/A B.MSI"), nullptr);
  EXPECT_EQ(manifest.Find(L"p/A B.MSI")->size, 7u);
}

// A PE32+ header with one section ending at 0x400 and the given certificate table.
std::vector<uint8_t> Headers(uint32_t tableStart, uint32_t tableSize) {
  std::vector<uint8_t> h(1024, 0);
  h[0] = 'M', h[1] = 'Z', h[0x3C] = 0x80;
  std::memcpy(&h[0x80], "PE\0\0", 4);
  h[0x86] = 1;                                 // one section
  h[0x94] = 240;                               // optional header size
  h[0x98] = 0x0B, h[0x99] = 0x02;              // PE32+
  h[0x98 + 108] = 16;                          // sixteen directories
  std::memcpy(&h[0x98 + 112 + 32], &tableStart, 4);
  std::memcpy(&h[0x98 + 112 + 36], &tableSize, 4);
  const size_t section = 0x98 + 240;
  const uint32_t rawSize = 0x200, rawAt = 0x200;
  std::memcpy(&h[section + 16], &rawSize, 4);
  std::memcpy(&h[section + 20], &rawAt, 4);
  return h;
}

TEST(BundlePayload, TheSignedContentEndsWhereTheCertificateTableBegins) {
  const struct {
    uint32_t start, size;
    uint64_t fileSize;
    bool valid;
    uint64_t contentEnd;
  } cases[] = {{0, 0, 5000, true, 5000}, {4000, 1000, 5000, true, 4000}, {4000, 1001, 5000, false, 0},
               {0x300, 100, 5000, false, 0}, {6000, 8, 5000, false, 0}};
  for (const auto& c : cases) {
    const auto layout = bundle::ReadImageLayout(Headers(c.start, c.size), c.fileSize);
    ASSERT_EQ(layout.has_value(), c.valid) << c.start;
    if (!layout) continue;
    EXPECT_EQ(layout->contentEnd, c.contentEnd);
    EXPECT_EQ(layout->imageEnd, 0x400u);
  }
  EXPECT_FALSE(bundle::ReadImageLayout(std::vector<uint8_t>(1024, 0), 5000));
}

// The last bytes of a bundle whose cabinet starts at 0x400: trailer, then `padding` zeros.
std::vector<uint8_t> Tail(uint64_t cabinetSize, uint64_t manifestSize, size_t padding, const char* magic = "ZEMBNDL1") {
  std::vector<uint8_t> tail(bundle::kTrailerSize + padding, 0);
  const uint64_t fields[] = {0x400, cabinetSize, manifestSize};
  std::memcpy(tail.data(), fields, sizeof(fields));
  std::memcpy(&tail[bundle::kTrailerSize - 8], magic, 8);
  return tail;
}

TEST(BundlePayload, TheTrailerIsFoundBeforeASigningToolsPaddingAndMustFitTheFile) {
  const struct {
    std::vector<uint8_t> tail;
    uint64_t contentEnd;
    bool found;
  } cases[] = {
      {Tail(1000, 200, 0), 0x400 + 1000 + 200 + 64, true},
      {Tail(1000, 200, 7), 0x400 + 1000 + 200 + 64 + 7, true},
      {Tail(1000, 200, 8), 0x400 + 1000 + 200 + 64 + 8, false},     // more than a signing tool adds
      {Tail(1000, 200, 0), 0x400 + 1000 + 200 + 64 - 1, false},     // truncated
      {Tail(1000, 200, 0), 0x400 + 1000 + 200 + 64 + 1, false},     // bytes the trailer does not account for
      {Tail(0, 200, 0), 0x400 + 200 + 64, false},
      {Tail(1000, 200, 0, "ZEMBNDL2"), 0x400 + 1000 + 200 + 64, false},
  };
  for (const auto& c : cases) {
    const auto payload = bundle::FindPayload(c.tail, c.contentEnd, 0x400);
    ASSERT_EQ(payload.has_value(), c.found) << c.contentEnd;
    if (payload) {
      EXPECT_EQ(payload->manifestOffset, 0x400u + 1000);
    }
  }
  std::vector<uint8_t> garbage = Tail(1000, 200, 0);
  garbage.push_back(1);  // a non-zero byte after the trailer is no padding
  EXPECT_FALSE(bundle::FindPayload(garbage, 0x400 + 1000 + 200 + 64 + 1, 0x400));
}

TEST(BundleArguments, TheTailAfterTheProgramNameIsHandedOnAsWritten) {
  const struct {
    std::wstring line, tail;
  } cases[] = {
      {L"setup.exe /q", L"/q"},
      {L"\"C:\\a b\\setup.exe\"   /q  \"X=1 2\" ", L"/q  \"X=1 2\" "},
      {L"\"C:\\a b\\set\"up.exe /q", L"/q"},
      {L"C:\\x\\setup.exe\t\"a\\\"b\"", L"\"a\\\"b\""},
      {L"setup.exe", L""},
      {L"\"unterminated /q", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(bundle::ArgumentsTail(c.line), c.tail) << c.line;
  EXPECT_EQ(bundle::ChildCommandLine(L"C:\\t\\setup.exe", L"/q \"a b\""), L"\"C:\\t\\setup.exe\" /q \"a b\"");
  EXPECT_EQ(bundle::ChildCommandLine(L"C:\\t\\setup.exe", L""), L"\"C:\\t\\setup.exe\"");
  EXPECT_TRUE(bundle::AsksForSilence({L"X=1", L"/Q"}));
  EXPECT_TRUE(bundle::AsksForSilence({L"AutoUpdate"}));
  EXPECT_FALSE(bundle::AsksForSilence({L"/qn", L"X=/q"}));
}

}  // namespace
