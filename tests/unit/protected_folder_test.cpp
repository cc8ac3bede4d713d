// The log, batch and restart folders: made or reclaimed so only administrators may change them, or given up for a fresh one.
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
  bool holdsLink;
  DWORD createError, protectError, freshError;
  InPlaceOf fallback;
  const wchar_t* used;  // the folder in use afterwards; none when none is usable
  std::vector<std::wstring> calls;
  std::vector<const wchar_t*> notes;  // a part of each note expected, in order
};

const std::wstring F = kFolder;
const std::wstring Fresh = F + L".fresh1";
constexpr wchar_t kFreshFolder[] = L"C:\\Temp\\DEVadirez.fresh1";
constexpr auto kFresh = InPlaceOf::FreshFolder;
const FolderCase kCases[] = {
    {"MissingIsCreatedProtected", {Kind::Missing}, false, 0, 0, 0, kFresh, kFolder, {L"create " + F}, {}},
    {"OursIsLeftAlone", {Kind::Directory}, false, 0, 0, 0, kFresh, kFolder, {}, {}},
    {"OpenListIsReclaimed", {Kind::Directory, false, true}, false, 0, 0, 0, kFresh, kFolder, {L"protect " + F},
     {L"could be changed by other users; its owner and access were reset"}},
    {"ForeignOwnerIsReclaimed", {Kind::Directory, true, false}, false, 0, 0, 0, kFresh, kFolder, {L"protect " + F},
     {L"were reset"}},
    // Nothing that stands in the folder's place is removed or written through: a fresh one is used.
    {"ReclaimFailureGivesWay", {Kind::Directory, true, true}, false, 0, 5, 0, kFresh, kFreshFolder,
     {L"protect " + F, L"fresh " + Fresh}, {L"taking it over failed with error code 5; it is left as it is; "}},
    {"LinkGivesWay", {Kind::Link}, false, 0, 0, 0, kFresh, kFreshFolder, {L"fresh " + Fresh},
     {L"is a link, not a folder; it is left as it is; C:\\Temp\\DEVadirez.fresh1 is used instead"}},
    {"FileGivesWay", {Kind::Other}, false, 0, 0, 0, kFresh, kFreshFolder, {L"fresh " + Fresh}, {L"is a file, not a folder"}},
    {"LinkInsideGivesWay", {Kind::Directory}, true, 0, 0, 0, kFresh, kFreshFolder, {L"fresh " + Fresh}, {L"holds a link"}},
    {"ReclaimedWithLinkInside", {Kind::Directory, false, true}, true, 0, 0, 0, kFresh, kFreshFolder,
     {L"protect " + F, L"fresh " + Fresh}, {L"were reset", L"holds a link"}},
    {"CreateFailureGivesWay", {Kind::Missing}, false, 183, 0, 0, kFresh, kFreshFolder, {L"create " + F, L"fresh " + Fresh},
     {L"could not be created (error code 183)"}},
    {"UnreadableGivesWay", {Kind::Unreadable, false, false, 5}, false, 0, 0, 0, kFresh, kFreshFolder, {L"fresh " + Fresh},
     {L"cannot be read (error code 5)"}},
    {"NoFreshFolderEither", {Kind::Link}, false, 0, 0, 5, kFresh, nullptr, {L"fresh " + Fresh},
     {L"creating a new folder beside it failed with error code 5"}},
    {"RecordFolderIsNotReplaced", {Kind::Link}, false, 0, 0, 0, InPlaceOf::Nothing, nullptr, {},
     {L"is a link, not a folder; it is left as it is and not used"}},
};

class ProtectedFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(ProtectedFolderTest, LeavesOnlyAnAdministratorsFolder) {
  const FolderCase& row = GetParam();
  FakeSecurity security;
  security.onDisk = false;
  if (row.found.kind != Kind::Missing) security.folders[kFolder] = row.found;
  if (row.holdsLink) security.linked.insert(kFolder);
  security.createError = row.createError;
  security.protectError = row.protectError;
  security.freshError = row.freshError;

  ProtectedFolder made = MakeProtectedFolder(security, kFolder, row.fallback);

  EXPECT_EQ(row.used != nullptr, made.usable);
  EXPECT_EQ(row.used ? std::wstring(row.used) : std::wstring(), made.path);
  EXPECT_EQ(row.calls, security.folderCalls);
  ASSERT_EQ(row.notes.size(), made.notes.size());
  for (size_t i = 0; i < row.notes.size(); ++i) {
    EXPECT_NE(std::wstring::npos, made.notes[i].find(row.notes[i])) << made.notes[i];
    EXPECT_NE(std::wstring::npos, made.notes[i].find(kFolder)) << "the note names the folder";
  }
  // A usable folder is one the fake now holds as a clean directory.
  if (made.usable) {
    const platform::FolderFacts now = security.InspectFolder(made.path);
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
    SharedFolder state;
    std::vector<std::wstring> calls;
    const wchar_t* note;
  } rows[] = {
      {"OthersOnlyAdd", {Kind::Directory, false, true, 0, false}, 0, SharedFolder::Guarded, {}, nullptr},
      {"OthersMayRemove", {Kind::Directory, false, true, 0, true}, 0, SharedFolder::Guarded, {L"guard " + parent},
       L"could be renamed or emptied by other users; only administrators may now remove what it holds"},
      {"ForeignOwner", {Kind::Directory, true, true, 0, true}, 0, SharedFolder::Guarded, {L"guard " + parent},
       L"only administrators"},
      {"GuardFails", {Kind::Directory, true, true, 0, true}, 5, SharedFolder::Unguarded, {L"guard " + parent},
       L"taking that back failed with error code 5"},
      // Never removed: under Wine, removing a link to a folder empties the folder it points to.
      {"LinkIsLeftAsItIs", {Kind::Link}, 0, SharedFolder::Unusable, {}, L"is a link, not a folder; it is left as it is"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeSecurity security;
    security.onDisk = false;
    security.folders[parent] = row.found;
    security.guardError = row.guardError;
    std::vector<std::wstring> notes;
    EXPECT_EQ(row.state, MakeSharedFolder(security, parent, notes));
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

#include <cstring>

#include "platform/acl_entries.h"

namespace {

// Conditional and object entries grant as plain ones do: each kind, naming Everyone, lets others
// change the folder; naming Administrators, it does not.
TEST(AclEntriesTest, EveryKindOfAllowEntryCounts) {
  BYTE everyone[SECURITY_MAX_SID_SIZE], admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(everyone);
  ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
  size = sizeof(admins);
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
  const GUID type{0x1234, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  enum Kind { Plain, Object, Callback };
  for (Kind kind : {Plain, Object, Callback}) {
    for (PSID grantee : {static_cast<PSID>(everyone), static_cast<PSID>(admins)}) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << (grantee == everyone ? " everyone" : " admins"));
      alignas(DWORD) BYTE buffer[512] = {};
      auto* acl = reinterpret_cast<PACL>(buffer);
      ASSERT_TRUE(InitializeAcl(acl, sizeof(buffer), ACL_REVISION_DS));
      if (kind == Plain) {
        ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION_DS, 0, FILE_ALL_ACCESS, grantee));
      } else {
        // Built by hand (Wine lacks the object call): an object entry with both GUIDs before the
        // SID, or a conditional one with the condition's bytes after it.
        alignas(DWORD) BYTE entry[128] = {};
        const DWORD sidSize = GetLengthSid(grantee);
        auto* header = reinterpret_cast<ACE_HEADER*>(entry);
        reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry)->Mask = FILE_ALL_ACCESS;
        size_t sidAt = 8;
        if (kind == Object) {
          auto* object = reinterpret_cast<ACCESS_ALLOWED_OBJECT_ACE*>(entry);
          object->Flags = ACE_OBJECT_TYPE_PRESENT | ACE_INHERITED_OBJECT_TYPE_PRESENT;
          object->ObjectType = object->InheritedObjectType = type;
          sidAt = 12 + 2 * sizeof(GUID);
        }
        std::memcpy(entry + sidAt, grantee, sidSize);
        if (kind == Callback) std::memcpy(entry + sidAt + sidSize, "artx\0\0\0\0", 8);
        const BYTE types[] = {0, ACCESS_ALLOWED_OBJECT_ACE_TYPE, ACCESS_ALLOWED_CALLBACK_ACE_TYPE};
        *header = {types[kind], 0, static_cast<WORD>(sidAt + sidSize + (kind == Callback ? 8 : 0))};
        ASSERT_TRUE(AddAce(acl, ACL_REVISION_DS, MAXDWORD, entry, header->AceSize));
      }
      EXPECT_EQ(grantee == everyone, platform::OthersHold(acl, nullptr, DELETE | WRITE_DAC, true));
    }
  }
}

}  // namespace
