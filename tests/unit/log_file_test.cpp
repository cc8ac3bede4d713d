#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/security.h"
#include "fakes/fake_security.h"
#include "fixtures.h"

namespace {


bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using test_files::ReadShared;

// The text of each "<date> <time> <text>\r\n" line, after checking its time stamp.
std::vector<std::string> Texts(const std::string& content) {
  static const std::regex line(R"((\d{1,2})\\(\d{1,2})\\(\d{4}) (\d{1,2}):(\d{1,2}):(\d{1,2}) ([^\r\n]*)\r\n)");
  std::vector<std::string> texts;
  size_t consumed = 0;
  for (std::sregex_iterator it(content.begin(), content.end(), line), end; it != end; ++it) {
    EXPECT_EQ(consumed, static_cast<size_t>(it->position())) << "not a log line: " << content.substr(consumed);
    consumed = it->position() + it->length();
    texts.push_back((*it)[7]);
  }
  EXPECT_EQ(content.size(), consumed);
  return texts;
}

class LogFileTest : public testing::Test {
 protected:
  ScratchFolder scratch_;
  const std::wstring folder_ = scratch_.path().substr(0, scratch_.path().size() - 1);
};

TEST(LogFileFormat, LineHasUnpaddedDateAndTime) {
  const struct {
    WORD year, month, day, hour, minute, second;
    const wchar_t* text;
    const wchar_t* expected;
  } cases[] = {
      {2021, 3, 7, 9, 5, 2, L"text", L"3\\7\\2021 9:5:2 text\r\n"},
      {1999, 12, 31, 23, 59, 59, L"", L"12\\31\\1999 23:59:59 \r\n"},
      {2020, 1, 1, 0, 0, 0, L"100% %s %d", L"1\\1\\2020 0:0:0 100% %s %d\r\n"},
  };
  for (const auto& c : cases) {
    SYSTEMTIME t = {};
    t.wYear = c.year, t.wMonth = c.month, t.wDay = c.day, t.wHour = c.hour, t.wMinute = c.minute, t.wSecond = c.second;
    EXPECT_EQ(c.expected, LogFile::FormatLine(t, c.text));
  }
}

TEST(LogFileFormat, AnsiHasOneByteForEachAsciiCharacterAndNoBom) {
  EXPECT_EQ("Installing a.msi returned 0.\r\n", LogFile::ToAnsi(L"Installing a.msi returned 0.\r\n"));
  EXPECT_EQ("", LogFile::ToAnsi(L""));
}

TEST(LogFileFormat, UnmappableCharactersBecomeTheCodePageDefault) {
  CPINFOEXW info = {};
  ASSERT_TRUE(GetCPInfoExW(CP_THREAD_ACP, 0, &info));
  ASSERT_EQ(1u, info.MaxCharSize) << "code page " << info.CodePage;
  const std::string replacement(reinterpret_cast<const char*>(info.DefaultChar));
  // Chinese characters have neither a place nor a best fit in a single-byte code page.
  const std::string bytes = LogFile::ToAnsi(L"a\u4e2d\u6587b");
  EXPECT_EQ("a" + replacement + replacement + "b", bytes);
  for (char c : LogFile::ToAnsi(L"\u00e9\u4e2d\xD83D\xDE00")) EXPECT_NE('\0', c);
}

TEST_F(LogFileTest, LinesAreAppendedInOrderAndReadableWhileOpen) {
  const std::wstring path = folder_ + L"\\Setup.log";
  LogFile log;
  log.OpenAt(path);
  EXPECT_EQ(path, log.Path());
  EXPECT_EQ(folder_, log.Folder());
  log.WriteLine(L"first");
  log.Log(L"Installing %s returned %d.", L"a.msi", 1603);
  EXPECT_EQ((std::vector<std::string>{"first", "Installing a.msi returned 1603."}), Texts(ReadShared(path)));
  log.WriteLine(L"third");
  EXPECT_EQ((std::vector<std::string>{"first", "Installing a.msi returned 1603.", "third"}), Texts(ReadShared(path)));
}

TEST_F(LogFileTest, OpeningAgainTruncates) {
  const std::wstring path = folder_ + L"\\Setup.log";
  {
    LogFile log;
    log.OpenAt(path);
    log.WriteLine(L"old run");
  }
  LogFile log;
  log.OpenAt(path);
  log.WriteLine(L"new run");
  EXPECT_EQ(std::vector<std::string>{"new run"}, Texts(ReadShared(path)));
  log.OpenAt(path);  // the same object, still holding the file
  log.WriteLine(L"again");
  EXPECT_EQ(std::vector<std::string>{"again"}, Texts(ReadShared(path)));
}

TEST_F(LogFileTest, FolderFollowsTheLatestPath) {
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"\\b").c_str(), nullptr));
  LogFile log;
  log.OpenAt(folder_ + L"\\a.log");
  log.OpenAt(folder_ + L"\\b\\b.log");
  EXPECT_EQ(folder_ + L"\\b", log.Folder());
}

TEST_F(LogFileTest, OpenCreatesTheLogUnderTheSystemDrive) {
  EnvironmentOverride drive(L"SYSTEMDRIVE", folder_);
  PropertyMap properties;
  platform::Win32Security security;
  {
    LogFile log;
    log.Open(properties, security);
    log.WriteLine(L"started");
    EXPECT_EQ(folder_ + L"\\Temp\\DEVadirez\\Setup.log", log.Path());
    EXPECT_EQ(folder_ + L"\\Temp\\DEVadirez", log.Folder());
    EXPECT_EQ(log.Folder(), properties.Get(L"[TEMPDIRECTORY]"));
    EXPECT_EQ(std::vector<std::string>{"started"}, Texts(ReadShared(log.Path())));
  }
  LogFile second;  // the folders exist now; the earlier log is replaced
  second.Open(properties, security);
  second.WriteLine(L"restarted");
  EXPECT_EQ(std::vector<std::string>{"restarted"}, Texts(ReadShared(folder_ + L"\\Temp\\DEVadirez\\Setup.log")));
}

// With the Temp folder a link and no fresh folder to be had beside it, nothing is written anywhere
// and the log says why to its caller.
TEST_F(LogFileTest, NoSafeFolderOpensNoLog) {
  EnvironmentOverride drive(L"SYSTEMDRIVE", folder_);
  PropertyMap properties;
  FakeSecurity security;
  security.onDisk = false;
  security.folders[folder_ + L"\\Temp"] = platform::FolderFacts{platform::FolderFacts::Kind::Link};
  security.freshError = ERROR_ACCESS_DENIED;
  LogFile log;
  log.Open(properties, security);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_TRUE(properties.Get(L"[TEMPDIRECTORY]").empty());
  ASSERT_EQ(2u, log.Refusal().size());
  EXPECT_EQ(folder_ + L"\\Temp is a link, not a folder; it is left as it is and not used", log.Refusal()[0]);
  EXPECT_NE(std::wstring::npos, log.Refusal()[1].find(L"creating a new folder beside it failed with error code 5"));
}

TEST_F(LogFileTest, UnopenedOrFailedLogIgnoresWrites) {
  LogFile never;
  EXPECT_NO_THROW(never.WriteLine(L"dropped"));
  EXPECT_TRUE(never.Path().empty());

  const std::wstring path = folder_ + L"\\missing\\Setup.log";
  LogFile failed;
  failed.OpenAt(path);
  EXPECT_NO_THROW(failed.WriteLine(L"dropped"));
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(Exists(folder_ + L"\\missing"));
}

}  // namespace
