#include <windows.h>

#include <fstream>

#include "app/layout.h"
#include "core/exit_codes.h"
#include "download_fixture.h"
#include "platform/folder_tree.h"

namespace {

using test_files::ReadShared;

class LayoutTest : public DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    fake.system.tempFolder = scratch;
    fake.http.body = "abc";
    for (const auto& folder : {dist, dist + L"\\Packages"}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    Write(dist + L"\\setup.exe", "program");
    Write(dist + L"\\Packages\\a.msi", "package");
    Write(dist + L"\\VariablesList.xml",
          "<Variables><ConfigVariable Name=\"{DotNet472WebInstallerUrl}\" value=\"http://h/ndp.exe\"/>"
          "<ConfigVariable Name=\"{SqlNativeClient2012X64Url}\" value=\"http://h/sql.msi\"/>"
          "<ConfigVariable Name=\"{DotNet45WebInstallerUrl}\" value=\"\"/></Variables>");
  }
  static void Write(const std::wstring& path, const std::string& content) {
    std::ofstream(path.c_str(), std::ios::binary) << content;
  }
  int Run() {
    PropertyMap properties;
    return LayOut({log, properties}, machine, {dist + L"\\", layout, dist + L"\\VariablesList.xml", logs});
  }
  std::vector<std::wstring> Requests() const {
    std::vector<std::wstring> cracked;
    for (const auto& call : fake.http.calls)
      if (call.rfind(L"CrackUrl ", 0) == 0) cracked.push_back(call.substr(9));
    return cracked;
  }

  const std::wstring dist = scratch + L"\\distribution folder";
  std::wstring layout = scratch + L"\\out\\suite";
};

// The distribution's tree and the file of every link the list names with a value, each under
// its link's folder; the vendor's own links the list does not name are not fetched.
TEST_F(LayoutTest, CopiesTheDistributionAndFetchesEachLinkTheListNames) {
  ASSERT_EQ(exit_code::Success, Run()) << Show(log.lines);
  EXPECT_EQ("program", ReadShared(layout + L"\\setup.exe"));
  EXPECT_EQ("package", ReadShared(layout + L"\\Packages\\a.msi"));
  EXPECT_EQ("abc", ReadShared(layout + L"\\Prerequisites\\DotNet472WebInstallerUrl\\NDP472-KB4054531-Web.exe"));
  EXPECT_EQ("abc", ReadShared(layout + L"\\Prerequisites\\SqlNativeClient2012X64Url\\sqlncli.msi"));
  EXPECT_EQ((std::vector<std::wstring>{L"http://h/ndp.exe", L"http://h/sql.msi"}), Requests());
  for (const auto& call : processes.calls) {  // the work folder's removal alone: nothing fetched runs
    if (call.rfind(L"ShellOpen", 0) == 0 || call.rfind(L"Create", 0) == 0) {
      EXPECT_NE(std::wstring::npos, call.find(L"/d /c rd /s /q")) << text::ToUtf8(call);
    }
  }
}

// Refused before anything is fetched, or failed while fetching: the layout folder is not made.
TEST_F(LayoutTest, ARefusedFolderOrAFailedDownloadWritesNothing) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    bool fetches;
    const wchar_t* logged;
  } cases[] = {
      {"inside the distribution", [this] { layout = dist + L"\\Packages\\..\\offline"; }, false,
       L"lies inside it"},
      {"a link", [this] { fake.security.folders[layout] = {platform::FolderFacts::Kind::Link}; },
       false, L"is a link; nothing is written through it."},
      {"made inside a link",
       [this] { fake.security.folders[scratch + L"\\out"] = {platform::FolderFacts::Kind::Link}; },
       false, L"\\out is a link; nothing is written through it."},
      {"404", [this] { fake.http.status = 404; }, true, L"failed with code 404; nothing was laid out."},
      {"wrong digest",
       [this] {
         Write(dist + L"\\VariablesList.xml",
               "<V><ConfigVariable Name=\"{DotNet4WebInstallerUrl}\" value=\"http://h/4.exe\"/>"
               "<ConfigVariable Name=\"{DotNet4WebInstallerUrlSha256}\" value=\"" + std::string(64, '0') + "\"/></V>");
       },
       true, L"failed with code 13; nothing was laid out."},
  };
  const std::wstring out = scratch + L"\\out";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    layout = scratch + L"\\out\\suite";
    fake.security.folders.clear();
    fake.http = FakeHttp{};
    fake.http.body = "abc";
    log.lines.clear();
    c.arrange();
    EXPECT_EQ(exit_code::Failed, Run());
    EXPECT_EQ(c.fetches, !Requests().empty());
    EXPECT_FALSE(platform::IsDirectory(out));
    EXPECT_FALSE(platform::IsDirectory(dist + L"\\offline"));
    const bool logged = std::any_of(log.lines.begin(), log.lines.end(), [&](const std::wstring& line) {
      return line.find(c.logged) != std::wstring::npos;
    });
    EXPECT_TRUE(logged) << Show(log.lines);
  }
}

// By name and by identity: another spelling of the distribution or of a folder in it is caught,
// a sibling whose name only begins like it is not.
TEST_F(LayoutTest, IsSameOrInsideSeesThroughSpellings) {
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_NE(0u, GetShortPathNameW(dist.c_str(), shortName, MAX_PATH));
  const struct {
    std::wstring path;
    bool inside;
  } rows[] = {
      {dist, true},
      {dist + L"\\", true},
      {scratch + L"\\DISTRIBUTION Folder", true},
      {std::wstring(shortName) + L"\\new", true},
      {dist + L"\\Packages", true},
      {dist + L"\\new\\deeper", true},
      {scratch + L"\\out\\..\\distribution folder\\x", true},
      {dist + L"2", false},
      {scratch, false},
      {scratch + L"\\out\\distribution folder", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.path));
    EXPECT_EQ(row.inside, platform::IsSameOrInside(row.path, dist));
  }
}

}  // namespace
