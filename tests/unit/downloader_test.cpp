#include <windows.h>
#include <wininet.h>

#include <fstream>
#include <iterator>

#include "core/secret_mask.h"
#include "download_fixture.h"
#include "engine/component_installer.h"

namespace {

using test_files::ReadShared;

class DownloaderTest : public DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    installer.workFolder = work;
    fake.http.body = std::string(2500, 'x') + "end";
  }
  ComponentInstaller installer{log, machine, logs};
};

TEST_F(DownloaderTest, AnHttpsLinkIsFetchedOverTlsOnPort443AndAnHttpLinkAsBefore) {
  const struct {
    const wchar_t* url;
    const wchar_t* connect;
    const wchar_t* request;
  } cases[] = {
      {L"https://dl.example.com/a/NDP.exe?x=1", L"Connect dl.example.com 443 0x20400000",
       L"OpenRequest /a/NDP.exe?x=1 0x84c00400"},
      {L"HTTPS://dl.example.com/a/NDP.exe?x=1", L"Connect dl.example.com 443 0x20400000",
       L"OpenRequest /a/NDP.exe?x=1 0x84c00400"},
      {L"http://dl.example.com/a/NDP.exe?x=1", L"Connect dl.example.com 80 0x20400000",
       L"OpenRequest /a/NDP.exe?x=1 0x84400400"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.url));
    fake.http.calls.clear();
    ASSERT_TRUE(installer.Download(c.url, Work(L"NDP.exe")));
    EXPECT_EQ(fake.http.body, ReadShared(Work(L"NDP.exe")));
    EXPECT_LINES((Lines{L"OpenSession ZOVuzuravazozav", std::wstring(L"CrackUrl ") + c.url, c.connect, c.request,
                        L"Send", L"QueryStatusCode", L"QueryContentLength", L"Read 1024", L"Read 1024", L"Read 1024",
                        L"Read 1024", L"Close"}),
                 fake.http.calls);
    EXPECT_TRUE(log.lines.empty()) << Show(log.lines);
  }
}

TEST_F(DownloaderTest, EachFailureIsLoggedWithItsCodeAndLeavesNoFile) {
  struct Case {
    const char* name;
    std::function<void(FakeHttp&)> script;
    uint32_t exitCode;  // 0: the download succeeds
    const wchar_t* errorText;
    Lines log;
  };
  const Case cases[] = {
      {"302 is refused", [](FakeHttp& h) { h.status = 302, h.statusText = L"Found"; }, 302, L"Found",
       {L"HttpSendRequest returned status code 302"}},
      {"body shorter than announced", [](FakeHttp& h) { h.body = "abc", h.announced = 4; }, ERROR_HANDLE_EOF, L"",
       {L"The download ended after 3 of 4 bytes", L"Deleted incomplete download " + Work(L"f.exe")}},
      {"no length announced", [](FakeHttp& h) { h.announced = -1; }, 0, L"", {}},
      {"404", [](FakeHttp& h) { h.status = 404, h.statusText = L"File not found"; }, 404, L"File not found",
       {L"HttpSendRequest returned status code 404"}},
      {"500 without text", [](FakeHttp& h) { h.status = 500, h.statusTextError = ERROR_HTTP_HEADER_NOT_FOUND; }, 500,
       L"", {L"HttpSendRequest returned status code 500", L"HttpQueryInfo failed with error code: 12150"}},
      {"open", [](FakeHttp& h) { h.openError = 12007; }, 12007, L"", {L"InternetOpen failed with error code 12007"}},
      {"crack", [](FakeHttp& h) { h.crackError = 12006; }, 12006, L"",
       {L"InternetCrackUrl http://h/p/f.exe failed with error code 12006"}},
      {"connect", [](FakeHttp& h) { h.connectError = 12029; }, 12029, L"",
       {L"InternetConnect h failed with error code 12029"}},
      {"request", [](FakeHttp& h) { h.openRequestError = 12004; }, 12004, L"",
       {L"HttpOpenRequest /p/f.exe failed with error code 12004"}},
      {"send fails once", [](FakeHttp& h) { h.sendErrors = {12002}; }, 0, L"",
       {L"HttpSendRequest /p/f.exe failed with error code 12002. Trying again."}},
      {"send fails twice", [](FakeHttp& h) { h.sendErrors = {12002, 12030}; }, 12030, L"",
       {L"HttpSendRequest /p/f.exe failed with error code 12002. Trying again.",
        L"HttpSendRequest /p/f.exe failed with error code 12030."}},
      {"status query", [](FakeHttp& h) { h.statusQueryError = 12150; }, 12150, L"",
       {L"HttpQueryInfo returned status code 12150"}},
  };
  const std::wstring file = Work(L"f.exe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.lines.clear();
    fake.http = FakeHttp{};
    c.script(fake.http);
    installer.errorText.clear();
    DeleteFileW(file.c_str());
    EXPECT_EQ(c.exitCode == 0, installer.Download(L"http://h/p/f.exe", file));
    EXPECT_EQ(c.exitCode, installer.exitCode);
    EXPECT_EQ(std::wstring(c.errorText), installer.errorText);
    EXPECT_EQ(c.exitCode == 0, platform::FileExists(file));
    EXPECT_LINES(c.log, log.lines);
    // Whatever was opened is closed again.
    if (!fake.http.openError) {
      EXPECT_EQ(L"Close", fake.http.calls.back());
    }
  }
}

// The body "abc" against its published SHA-256 (the FIPS 180-2 example), in either case.
TEST_F(DownloaderTest, AGivenSha256MustMatchOrTheFileIsDeletedAndNothingRuns) {
  const std::wstring abc = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::wstring other = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ae";
  const std::wstring file = Work(L"a.exe");
  const struct {
    const char* name;
    std::wstring sha256;
    uint32_t exitCode;  // 0: fetched and run
    Lines log;
  } cases[] = {
      {"no digest", L"", 3010, {}},
      {"match", abc, 3010, {}},
      {"match in capitals", L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", 3010, {}},
      {"mismatch",
       other,
       ERROR_INVALID_DATA,
       {L"The SHA-256 of " + file + L" is " + abc + L", not " + other + L" as given: the download is refused",
        L"Deleted refused download " + file}},
      {"too short", abc.substr(1), ERROR_BAD_CONFIGURATION,
       {L"The SHA-256 given for http://h/a.exe is not 64 hexadecimal digits; nothing was downloaded"}},
      {"not hexadecimal", L"g" + abc.substr(1), ERROR_BAD_CONFIGURATION,
       {L"The SHA-256 given for http://h/a.exe is not 64 hexadecimal digits; nothing was downloaded"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.lines.clear();
    fake.http = FakeHttp{};
    fake.http.body = "abc";
    processes.fileExisted.clear();
    processes.shell = {FakeLaunch{0, true, 0, true, 3010, 0}};
    installer.DownloadAndRun(L"http://h/a.exe", L"a.exe", L"/q", c.sha256);
    EXPECT_EQ(c.exitCode, installer.exitCode);
    EXPECT_EQ(c.exitCode == 3010, processes.fileExisted.size() == 1) << "only a verified file runs";
    EXPECT_FALSE(platform::FileExists(file));
    EXPECT_EQ(c.exitCode != ERROR_BAD_CONFIGURATION, !fake.http.calls.empty()) << "a malformed digest fetches nothing";
    Lines logged;
    for (const auto& line : log.lines)
      if (line.find(L"SHA-256") != std::wstring::npos || line.find(L"Deleted") != std::wstring::npos)
        logged.push_back(line);
    EXPECT_LINES(c.log, logged);
  }
}

TEST_F(DownloaderTest, AReadFailureHalfWayDeletesThePartialFile) {
  fake.http.readFailsAt = 2000;
  EXPECT_FALSE(installer.Download(L"http://h/half.exe", Work(L"half.exe")));
  EXPECT_EQ(static_cast<uint32_t>(ERROR_INTERNET_CONNECTION_RESET), installer.exitCode);
  EXPECT_FALSE(platform::FileExists(Work(L"half.exe")));
  EXPECT_LINES((Lines{L"InternetReadFile failed with error code 12031", L"Deleted incomplete download " + Work(L"half.exe")}),
               log.lines);
}

// A server that sends without end or a byte at a time is cut off; the part written goes.
TEST_F(DownloaderTest, AnEndlessOrCrawlingBodyIsCutOffAndDeleted) {
  const struct {
    const char* name;
    long long announced;  // -1: none
    uint64_t cap, deadlineMs;
    DWORD error;
    const wchar_t* line;
  } rows[] = {
      {"past the cap", -1, 2000, 60000, ERROR_FILE_TOO_LARGE, L"The download sent more than the 2000 bytes allowed"},
      {"announced past the cap", 3000, 2000, 60000, ERROR_FILE_TOO_LARGE,
       L"The download announces 3000 bytes, more than the 2000 allowed"},
      {"more than announced", 1000, 1u << 30, 60000, ERROR_FILE_TOO_LARGE,
       L"The download sent more than the 1000 bytes it announced"},
      {"past the deadline", -1, 1u << 30, 2500, ERROR_TIMEOUT, L"The download did not finish within 2 seconds"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    log.lines.clear();
    fake.http.announced = row.announced;
    installer.maxDownloadBytes = row.cap;
    installer.downloadDeadlineMs = row.deadlineMs;
    installer.now = [] {  // a second passes between two looks at the clock
      static uint64_t clock = 0;
      return clock += 1000;
    };
    EXPECT_FALSE(installer.Download(L"http://h/endless.exe", Work(L"endless.exe")));
    EXPECT_EQ(row.error, installer.exitCode);
    EXPECT_FALSE(platform::FileExists(Work(L"endless.exe")));
    ASSERT_EQ(2u, log.lines.size()) << Show(log.lines);
    EXPECT_EQ(0u, log.lines[0].find(row.line)) << Show(log.lines);
    EXPECT_EQ(L"Deleted refused download " + Work(L"endless.exe"), log.lines[1]);
  }
}

TEST_F(DownloaderTest, DownloadAndRunRunsTheDownloadedFileThenDeletesIt) {
  processes.shell = {FakeLaunch{0, true, 0, true, 3010, 0}};
  installer.DownloadAndRun(L"http://h/setup.exe", L"setup.exe", L"/q /norestart");
  EXPECT_EQ(3010u, installer.exitCode);
  EXPECT_EQ(std::vector<bool>{true}, processes.fileExisted);
  EXPECT_FALSE(platform::FileExists(Work(L"setup.exe")));
  EXPECT_LINES((Lines{L"Downloading http://h/setup.exe to " + Work(L"setup.exe"), L"Download successful",
                      L"Executing " + Work(L"setup.exe") + L" /q /norestart", L"Operation returned 3010"}),
               log.lines);

  fake.http.status = 404;
  installer.DownloadAndRun(L"http://h/setup.exe", L"setup.exe", L"/q");
  EXPECT_EQ(404u, installer.exitCode);
  EXPECT_EQ(1u, processes.fileExisted.size()) << "a failed download runs nothing";
}

TEST_F(DownloaderTest, DownloadAndInstallMsiLogsBesideTheSetupLogAndRestoresTheUiLevel) {
  const std::wstring enableLog = L"EnableLog 0x1000 " + logs + L"\\sqlncli.msi.log 0";
  const std::wstring install = L"InstallProduct " + Work(L"sqlncli.msi") + L" [IACCEPTSQLNCLILICENSETERMS=YES]";
  struct Case {
    bool hidden;
    DWORD status;
    UINT result;
    Lines calls;
  } cases[] = {
      {true, 200, 3010, {L"SetInternalUI 2", enableLog, install, L"SetInternalUI 5"}},
      {false, 200, 0, {enableLog, install}},
      {true, 503, 1603, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    fake.installer.calls.clear();
    fake.installer.installResults[Work(L"sqlncli.msi")] = c.result;
    fake.http.status = c.status;
    installer.hidden = c.hidden;
    EXPECT_EQ(c.result, installer.DownloadAndInstallMsi(L"http://h/n.msi", L"sqlncli.msi",
                                                        L"IACCEPTSQLNCLILICENSETERMS=YES"));
    EXPECT_LINES(c.calls, fake.installer.calls);
    EXPECT_EQ(5, fake.installer.uiLevel);
    EXPECT_FALSE(platform::FileExists(Work(L"sqlncli.msi")));
  }
  EXPECT_TRUE(log.Has(L"Installation returned 3010. Log file is " + logs + L"\\sqlncli.msi.log"));
}

// The vendor package's verbose log is masked as the products' are: Wine's installer writes every
// property, and Windows writes the command line.
TEST_F(DownloaderTest, TheVendorPackagesLogIsMaskedInPlace) {
  SecretMask secrets;
  secrets.Add(L"Sa-Secret-9");
  log.MaskWith(secrets);
  const std::wstring logPath = logs + L"\\sqlncli.msi.log";
  fake.installer.writeLog = [](const std::wstring& path, const std::wstring&) {
    std::ofstream(path.c_str(), std::ios::binary) << "Property(S): SQL_SA_PASSWORD = Sa-Secret-9\r\n";
  };
  EXPECT_EQ(0u, installer.DownloadAndInstallMsi(L"http://h/n.msi", L"sqlncli.msi", L""));
  EXPECT_EQ("Property(S): SQL_SA_PASSWORD = ******\r\n", ReadShared(logPath));
}

TEST_F(DownloadFixture, TheWorkFolderIsMadeUnderTheTemporaryFolderAndRemovedQuoted) {
  const std::wstring temp = scratch + L"\\temp with blanks";
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  fake.system.tempFolder = temp;  // without the trailing backslash Windows mostly gives
  {
    ComponentInstaller installer(log, machine, logs);
    installer.DownloadAndRun(L"http://h/a.exe", L"a.exe", L"");
    EXPECT_EQ(temp + L"\\ZEMDownload", installer.workFolder);
    EXPECT_TRUE(platform::IsDirectory(installer.workFolder));
    EXPECT_EQ(std::vector<std::wstring>{L"create " + installer.workFolder}, fake.security.folderCalls)
        << "made with the administrators-only access list";
    processes.calls.clear();
  }
  // The system folder's cmd.exe by its full path, never one beside the setup.
  wchar_t system[MAX_PATH] = {};
  const std::wstring cmd = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\cmd.exe";
  EXPECT_EQ(L"ShellOpen [" + cmd + L"] [/d /c rd /s /q \"" + temp + L"\\ZEMDownload\"] hidden", processes.calls.at(0));
  // A folder that already stands (the fake never removes it) is never taken over.
  for (const wchar_t* expected : {L"\\ZEMDownload.1", L"\\ZEMDownload.2"}) {
    ComponentInstaller next(log, machine, logs);
    next.DownloadAndRun(L"http://h/a.exe", L"a.exe", L"");
    EXPECT_EQ(temp + expected, next.workFolder);
  }
  processes.calls.clear();
  {
    ComponentInstaller missing(log, machine, logs);
    missing.workFolder = scratch + L"\\gone";
  }
  EXPECT_TRUE(processes.calls.empty());
}

// A download folder that cannot be made new is never replaced by one that stands: nothing is fetched.
TEST_F(DownloadFixture, NoNewDownloadFolderFetchesNothing) {
  fake.system.tempFolder = scratch;
  fake.security.createError = ERROR_ACCESS_DENIED;
  ComponentInstaller installer(log, machine, logs);
  installer.DownloadAndRun(L"http://h/a.exe", L"a.exe", L"");
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), installer.exitCode);
  EXPECT_TRUE(installer.workFolder.empty());
  EXPECT_TRUE(fake.http.calls.empty()) << Show(fake.http.calls);
  EXPECT_LINES(Lines{L"Creating " + scratch + L"\\ZEMDownload failed with error code 5"}, log.lines);
}

// Without a temporary folder nothing is fetched and the failure keeps its code (never 0).
TEST_F(DownloadFixture, NoTemporaryFolderFailsBeforeAnyDownload) {
  const struct {
    DWORD error;
    uint32_t exitCode;
  } cases[] = {{ERROR_ENVVAR_NOT_FOUND, ERROR_ENVVAR_NOT_FOUND}, {0, ERROR_GEN_FAILURE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    log.lines.clear();
    fake.system.tempFolder.clear();
    fake.system.error = c.error;
    ComponentInstaller installer(log, machine, logs);
    installer.DownloadAndRun(L"http://h/a.exe", L"a.exe", L"");
    EXPECT_EQ(c.exitCode, installer.exitCode);
    EXPECT_TRUE(installer.workFolder.empty());
    EXPECT_TRUE(fake.http.calls.empty()) << Show(fake.http.calls);
    EXPECT_LINES(Lines{text::Format(L"GetTempPath failed with error code %d", c.exitCode)}, log.lines);
  }
}

TEST(Win32HttpTest, CrackUrlKeepsHostAndPathWithItsQuery) {
  struct Case {
    const wchar_t *url, *host, *path;  // host nullptr: the link does not crack
  } cases[] = {
      {L"https://go.microsoft.com/fwlink/?LinkId=123717&clcid=0x409", L"go.microsoft.com",
       L"/fwlink/?LinkId=123717&clcid=0x409"},
      {L"http://mirror.local:8080/p/q.msi", L"mirror.local", L"/p/q.msi"},
      {L"", nullptr, nullptr},
      {L"not a link", nullptr, nullptr},
  };
  platform::Win32Http http;
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.url));
    std::wstring host, path;
    DWORD error = http.CrackUrl(c.url, host, path);
    EXPECT_EQ(c.host != nullptr, error == 0) << error;
    if (c.host) {
      EXPECT_EQ(std::wstring(c.host) + L" " + c.path, host + L" " + path);
    }
  }
}

}  // namespace
