// The install-source record: restoring a missing source and dropping entries, saved once.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/install_source_info.h"
#include "fakes/fake_security.h"
#include "fakes/fake_system_queries.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

class InstallSourceInfoTest : public testing::Test {
 protected:
  void SetUp() override { Write(cached, "package"); }

  static void Write(const std::wstring& path, const std::string& content) {
    std::ofstream(text::ToUtf8(path), std::ios::binary) << content;
  }
  static std::string ReadAll(const std::wstring& path) { return test_files::ReadShared(path); }
  std::string Entry(const std::wstring& name, const std::wstring& local, const std::wstring& source) {
    return text::ToUtf8(text::Format(L"<ProductMetaData><ProductName>%s</ProductName><LocalPackage>%s</LocalPackage>"
                                     L"<InstallSource>%s</InstallSource></ProductMetaData>",
                                     name, local, source));
  }
  void WriteRecord(const std::string& entries) { Write(record, "<Record><Products>" + entries + "</Products></Record>"); }

  ScratchFolder scratch;
  const std::wstring root = scratch.path();
  const std::wstring record = root + L"InstallSourceInfo.xml";
  const std::wstring cached = root + L"cache.msi";
  MemoryLog log;
  PropertyMap properties;
  const ReadContext values{log, properties};
};

TEST(InstallSourceRecordPath, LiesUnderTheSharedApplicationDataFolder) {
  const struct {
    const wchar_t* folder;
    const wchar_t* path;
  } cases[] = {
      {L"C:\\ProgramData", L"C:\\ProgramData\\QV\\InstallSourceInfo\\InstallSourceInfo.xml"},
      {L"D:\\", L"D:\\QV\\InstallSourceInfo\\InstallSourceInfo.xml"},
      {L"", L""},  // no folder: no record, rather than one relative to the current drive
  };
  for (const auto& c : cases) {
    FakeSystemQueries system;
    system.commonAppData = c.folder;
    EXPECT_EQ(InstallSourceInfo::RecordPath(system), c.path) << text::ToUtf8(c.folder);
  }
}

TEST_F(InstallSourceInfoTest, RestoresOnlyAMissingSourceFromTheReportedCachedPackage) {
  const std::wstring restored = root + L"a\\b\\Rizod.msi";
  const std::wstring present = root + L"present.msi";
  wchar_t windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring system = std::wstring(windows) + L"\\system32\\planted.dll";
  const std::wstring other = root + L"other.msi";
  Write(present, "original");
  Write(other, "not the cache");
  WriteRecord(Entry(L"Rizod", cached, restored) + Entry(L"Uvarud", cached, present) +
              Entry(L"Gone", root + L"missing.msi", root + L"gone\\x.msi") + Entry(L"Swapped", other, root + L"s\\x.msi") +
              Entry(L"System", cached, system) + Entry(L"Relative", cached, L"rel\\x.msi") +
              Entry(L"Unknown", cached, root + L"u\\x.msi"));
  const struct {
    const wchar_t* name;
    std::wstring reported;  // what Windows Installer says the product's cached package is
  } rows[] = {{L"Rizod", cached}, {L"Uvarud", cached}, {L"Gone", root + L"missing.msi"}, {L"Nobody", cached},
              {L"Swapped", cached}, {L"System", cached}, {L"Relative", cached}, {L"Unknown", L""}};
  {
    InstallSourceInfo info(values, record);
    info.Open();
    for (const auto& row : rows) info.RestoreInstallSource(row.name, row.reported);
  }
  EXPECT_EQ(ReadAll(restored), "package");
  EXPECT_TRUE(log.Has(root + L"a created."));
  EXPECT_TRUE(log.Has(root + L"a\\b created."));
  EXPECT_TRUE(log.Has(text::Format(L"Copying %s to %s succeeded.", cached, restored)));
  EXPECT_EQ(ReadAll(present), "original");  // an existing source is never overwritten
  for (const wchar_t* folder : {L"gone", L"s", L"u", L"rel"}) EXPECT_FALSE(platform::IsDirectory(root + folder)) << folder;
  EXPECT_FALSE(platform::FileExists(system));
  EXPECT_TRUE(log.HasContaining(L"is not the cached package Windows Installer knows for Swapped"));
  EXPECT_TRUE(log.HasContaining(L"is not the cached package Windows Installer knows for Unknown"));
  EXPECT_TRUE(log.Has(system + L" lies in the Windows folder or is no full path; it is not restored."));
  EXPECT_TRUE(log.Has(L"rel\\x.msi lies in the Windows folder or is no full path; it is not restored."));
  EXPECT_FALSE(log.HasContaining(L"Saving"));  // nothing deleted: the record is not written
}

TEST_F(InstallSourceInfoTest, DeletionsAreSavedOnceAtClose) {
  WriteRecord(Entry(L"Rizod", cached, L"x") + Entry(L"Uvarud", cached, L"y") + Entry(L"Kept", cached, L"z"));
  {
    InstallSourceInfo info(values, record);
    info.Open();
    info.DeleteEntry(L"Rizod");
    info.DeleteEntry(L"Uvarud");
    info.DeleteEntry(L"Rizod");  // a later commit repeats the earlier deletions
    EXPECT_NE(ReadAll(record).find("Rizod"), std::string::npos);  // not yet written
  }
  EXPECT_TRUE(log.Has(L"//ProductMetaData[ProductName='Rizod'] deleted"));
  EXPECT_TRUE(log.HasContaining(L"//ProductMetaData[ProductName='Rizod'] not deleted due to error"));
  EXPECT_EQ(log.Count(text::Format(L"Saving %s returned 0.", record)), 1u);
  std::string saved = ReadAll(record);
  EXPECT_EQ(saved.find("Rizod"), std::string::npos);
  EXPECT_EQ(saved.find("Uvarud"), std::string::npos);
  EXPECT_NE(saved.find("Kept"), std::string::npos);
}

TEST_F(InstallSourceInfoTest, TheRecordIsUsedOnlyOnceItsFolderIsAdministratorsAlone) {
  const std::wstring folder = root.substr(0, root.size() - 1);
  const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
  using Kind = platform::FolderFacts::Kind;
  const platform::FolderFacts swappable{Kind::Directory, true, true, 0, true};
  const struct {
    const char* name;
    platform::FolderFacts found, parentFound;
    DWORD protectError, guardError;
    bool saved;
  } rows[] = {{"Ours", {Kind::Directory}, {Kind::Directory}, 0, 0, true},
              {"OpenIsReclaimed", {Kind::Directory, true, true}, {Kind::Directory}, 0, 0, true},
              {"NotReclaimedIsNotUsed", {Kind::Directory, true, true}, {Kind::Directory}, 5, 0, false},
              {"ParentOthersMayEmptyIsGuarded", {Kind::Directory}, swappable, 0, 0, true},
              {"ParentNotGuardedIsNotUsed", {Kind::Directory}, swappable, 0, 5, false}};
  for (const auto& row : rows) {
    WriteRecord(Entry(L"Rizod", cached, L"x"));
    FakeSecurity security;
    security.folders[folder] = row.found;
    security.folders[parent] = row.parentFound;
    security.protectError = row.protectError;
    security.guardError = row.guardError;
    {
      InstallSourceInfo info(values, record, &security);
      info.Open();
      info.DeleteEntry(L"Rizod");
    }
    EXPECT_EQ(ReadAll(record).find("Rizod") == std::string::npos, row.saved) << row.name;
    EXPECT_EQ(security.folderCalls.size(), (row.found.othersMayWrite ? 1u : 0u) + (row.parentFound.othersMayRemove ? 1u : 0u))
        << row.name;
  }
}

TEST_F(InstallSourceInfoTest, AQuoteInANameCannotReachOtherEntries) {
  WriteRecord(Entry(L"Rizod", cached, L"x") + Entry(L"Uvarud", cached, L"y"));
  const std::string before = ReadAll(record);
  {
    InstallSourceInfo info(values, record);
    info.Open();
    info.DeleteEntry(L"x' or '1'='1");
    info.DeleteEntry(L"x' or \"1\"=\"1");
  }
  EXPECT_EQ(ReadAll(record), before);
}

TEST_F(InstallSourceInfoTest, AMissingOrBrokenRecordDoesNothing) {
  {
    InstallSourceInfo info(values, record);
    info.Open();
    info.RestoreInstallSource(L"Rizod", cached);
    info.DeleteEntry(L"Rizod");
  }
  EXPECT_TRUE(log.Has(record + L" not found."));
  EXPECT_FALSE(platform::FileExists(record));

  Write(record, "<Record><unclosed>");
  {
    InstallSourceInfo info(values, record);
    info.Open();
    info.DeleteEntry(L"Rizod");
  }
  EXPECT_TRUE(log.HasContaining(text::Format(L"Loading %s failed with error code ", record)));
  EXPECT_EQ(ReadAll(record), "<Record><unclosed>");
}

}  // namespace
