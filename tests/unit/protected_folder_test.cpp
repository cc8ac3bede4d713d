// The log, batch and restart folders: made, reclaimed or replaced so only administrators may change them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protected_folder.h"
#include "fakes/fake_security.h"

namespace {

using Kind = platform::FolderFacts::Kind;
constexpr wchar_t kFolder[] = L"C:\\Temp\\DEVadirez";

struct FolderCase {
  const char* name;
  platform::FolderFacts found;
  DWORD createError, protectError, removeError;
  bool usable;
  std::vector<std::wstring> calls;
  const wchar_t* note;  // a part of the one note expected; none when nothing is worth saying
};

const std::wstring F = kFolder;
const FolderCase kCases[] = {
    {"MissingIsCreatedProtected", {Kind::Missing}, 0, 0, 0, true, {L"create " + F}, nullptr},
    {"OursIsLeftAlone", {Kind::Directory}, 0, 0, 0, true, {}, nullptr},
    {"OpenListIsReclaimed", {Kind::Directory, false, true}, 0, 0, 0, true, {L"protect " + F},
     L"could be changed by other users; its owner and access were reset"},
    {"ForeignOwnerIsReclaimed", {Kind::Directory, true, false}, 0, 0, 0, true, {L"protect " + F}, L"were reset"},
    {"ReclaimFailureMakesItUnusable", {Kind::Directory, true, true}, 0, 5, 0, false, {L"protect " + F},
     L"taking it over failed with error code 5"},
    {"JunctionIsReplaced", {Kind::Link}, 0, 0, 0, true, {L"remove " + F, L"create " + F},
     L"was a link, not a folder; it was removed and a folder made"},
    {"FileIsReplaced", {Kind::Other}, 0, 0, 0, true, {L"remove " + F, L"create " + F}, L"was a file"},
    {"LinkThatStaysIsNotUsed", {Kind::Link}, 0, 0, 5, false, {L"remove " + F}, L"removing it failed with error code 5"},
    {"CreateFailureIsNotUsed", {Kind::Missing}, 183, 0, 0, false, {L"create " + F}, L"failed with error code 183"},
    {"UnreadableIsNotUsed", {Kind::Unreadable, false, false, 5}, 0, 0, 0, false, {}, L"failed with error code 5"},
};

class ProtectedFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(ProtectedFolderTest, LeavesOnlyAnAdministratorsFolder) {
  const FolderCase& row = GetParam();
  FakeSecurity security;
  security.onDisk = false;
  if (row.found.kind != Kind::Missing) security.folders[kFolder] = row.found;
  security.createError = row.createError;
  security.protectError = row.protectError;
  security.removeError = row.removeError;

  ProtectedFolder made = MakeProtectedFolder(security, kFolder);

  EXPECT_EQ(row.usable, made.usable);
  EXPECT_EQ(row.calls, security.folderCalls);
  if (!row.note) {
    EXPECT_TRUE(made.notes.empty());
  } else {
    ASSERT_EQ(1u, made.notes.size());
    EXPECT_NE(std::wstring::npos, made.notes[0].find(row.note)) << made.notes[0];
    EXPECT_NE(std::wstring::npos, made.notes[0].find(kFolder)) << "the note names the folder";
  }
  // A usable folder is one the fake now holds as a clean directory.
  if (made.usable) {
    const platform::FolderFacts now = security.InspectFolder(kFolder);
    EXPECT_EQ(Kind::Directory, now.kind);
    EXPECT_FALSE(now.foreignOwner || now.othersMayWrite);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ProtectedFolderTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A shared parent (C:\Temp) keeps everyone's right to add to it; only the right to remove or
// rename what it holds, which would swap the protected folder once the setup lets go of it, is
// taken back.
TEST(SharedFolderTest, WhoeverMayRemoveItsEntriesLosesThatRight) {
  const std::wstring parent = L"C:\\Temp";
  const struct {
    const char* name;
    platform::FolderFacts found;
    DWORD guardError;
    bool safe;
    std::vector<std::wstring> calls;
    const wchar_t* note;
  } rows[] = {
      {"OthersOnlyAdd", {Kind::Directory, false, true, 0, false}, 0, true, {}, nullptr},
      {"OthersMayRemove", {Kind::Directory, false, true, 0, true}, 0, true, {L"guard " + parent},
       L"could be renamed or emptied by other users; only administrators may now remove what it holds"},
      {"ForeignOwner", {Kind::Directory, true, true, 0, true}, 0, true, {L"guard " + parent}, L"only administrators"},
      {"GuardFails", {Kind::Directory, true, true, 0, true}, 5, false, {L"guard " + parent},
       L"taking that back failed with error code 5"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeSecurity security;
    security.onDisk = false;
    security.folders[parent] = row.found;
    security.guardError = row.guardError;
    std::vector<std::wstring> notes;
    EXPECT_EQ(row.safe, MakeSharedFolder(security, parent, notes));
    EXPECT_EQ(row.calls, security.folderCalls);
    ASSERT_EQ(row.note ? 1u : 0u, notes.size());
    if (row.note) {
      EXPECT_NE(std::wstring::npos, notes[0].find(row.note)) << notes[0];
    }
  }
}

}  // namespace

#include <aclapi.h>
#include <sddl.h>

#include "fixtures.h"

namespace {

// The real access lists, as far as the system keeps them: a folder open to everyone lets others
// remove its entries until it is guarded; afterwards they may still add to it.
TEST(Win32SharedFolderTest, GuardingTakesTheRemovingRightsAndKeepsAdding) {
  ScratchFolder scratch;
  const std::wstring folder = scratch.path() + L"shared";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  PSECURITY_DESCRIPTOR open = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open,
                                                                   nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL everyone = nullptr;
  GetSecurityDescriptorDacl(open, &present, &everyone, &defaulted);
  std::wstring name = folder;
  ASSERT_EQ(0u, SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, everyone, nullptr));
  LocalFree(open);
  platform::Win32Security security;
  const platform::FolderFacts before = security.InspectFolder(folder);
  ASSERT_TRUE(before.othersMayRemove);

  ASSERT_EQ(0u, security.GuardSharedFolder(folder));
  // Wine keeps no access lists: it shows one made from the Unix mode bits, where Everyone's write
  // bit reads back as 0x1301ff (delete and delete-child included) before and after, and the
  // owner stays the running user. Only Windows can show the result.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "the guarded list cannot be read back under Wine";
  const platform::FolderFacts after = security.InspectFolder(folder);
  EXPECT_FALSE(after.othersMayRemove);
  EXPECT_TRUE(after.othersMayWrite) << "others may still add to it";
}

}  // namespace
