// Which names are secret, and how their values are kept out of log lines, log files and the
// arguments handed on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/property_map.h"
#include "core/secret_mask.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/files.h"

namespace {

TEST(SecretName, PasswordOrPwdInAnyCase) {
  struct Row {
    const wchar_t* name;
    bool secret;
  } rows[] = {{L"[PASSWORD]", true},        {L"VUROVIZO_PASSWORD", true}, {L"DOCUMENT_SERVICEACCOUNTPWD", true},
              {L"SQL_SA_PASSWORD", true},   {L"vurovizo_password", true}, {L"DbPassWord", true},
              {L"[sqlPwd]", true},          {L"pwd", true},               {L"[CMDLINE]", false},
              {L"[cmdline]", false},         {L"PASSWORDS_OFF", true},     {L"[USER]", false},
              {L"PASS", false},             {L"CMDLINE", false},          {L"P_W_D", false},
              {L"[INSTALLDIRECTORY]", false}};
  for (const Row& row : rows) EXPECT_EQ(row.secret, IsSecretName(row.name)) << text::ToUtf8(row.name);
}

// Each row: the arguments the mask learns from, a text, the text masked, the text with its secret
// arguments taken out, and the text as handed to Windows Installer.
TEST(SecretMask, ArgumentsLearntMaskedStrippedAndHidden) {
  struct Row {
    const wchar_t* learnt;
    const wchar_t* text;
    const wchar_t* masked;
    const wchar_t* stripped;
    const wchar_t* hidden;
  } rows[] = {
      {L"SQL_SA_PASSWORD=Sa1x", L"ALLUSERS=1 SQL_SA_PASSWORD=Sa1x /q", L"ALLUSERS=1 SQL_SA_PASSWORD=****** /q",
       L"ALLUSERS=1 /q", L"ALLUSERS=1 SQL_SA_PASSWORD=Sa1x /q MsiHiddenProperties=SQL_SA_PASSWORD"},
      {L"dbPwd=\"a b c\"", L"dbPwd=\"a b c\" X=a", L"dbPwd=****** X=a", L"X=a",
       L"dbPwd=\"a b c\" X=a MsiHiddenProperties=dbPwd"},
      {L"P_PASSWORD=k1 Q_PWD=k2 P_PASSWORD=k3", L"P_PASSWORD=k1 Q_PWD=k2 P_PASSWORD=k3 R=k1k2",
       L"P_PASSWORD=****** Q_PWD=****** P_PASSWORD=****** R=************", L"R=k1k2",
       L"P_PASSWORD=k1 Q_PWD=k2 P_PASSWORD=k3 R=k1k2 MsiHiddenProperties=P_PASSWORD;Q_PWD"},
      {L"USER=bob PASSWORD_HINT", L"USER=bob PASSWORD_HINT", L"USER=bob PASSWORD_HINT", L"USER=bob PASSWORD_HINT",
       L"USER=bob PASSWORD_HINT"},
      {L"", L"", L"", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.text));
    SecretMask mask;
    mask.AddArguments(row.learnt);
    EXPECT_EQ(row.masked, mask.Apply(row.text));
    EXPECT_EQ(row.stripped, WithoutSecretArguments(row.text));
    EXPECT_EQ(row.hidden, HidingSecrets(row.text));
  }
}

TEST(SecretMask, EveryLogLineAndSecretPropertyValue) {
  MemoryLog log;
  PropertyMap properties;
  log.MaskWith(properties.Secrets());
  properties.Set(L"[PASSWORD]", L"Pa ss");
  properties.Set(L"[SERVER_NAME]", L"SRV");
  properties.Set(L"Arguments", L"DB_PWD=Zq9 /x");  // a definition value holding an argument text
  log.WriteLine(L"Executing setup.exe /p Pa ss DB_PWD=Zq9 SRV");
  log.WriteLine(L"Installing C:\\p.exe API_PASSWORD=Late1 returned 0");
  log.WriteLine(L"later Late1 and Zq9");
  const std::vector<std::wstring> expected = {L"Executing setup.exe /p ****** DB_PWD=****** SRV",
                                              L"Installing C:\\p.exe API_PASSWORD=****** returned 0",
                                              L"later ****** and ******"};
  EXPECT_EQ(expected, log.lines);
}

// The setup's command line is no secret: a later log line sharing a piece of it ("/q ") reads in
// clear, the command line's own password stays hidden, in the lines and in the property dump.
TEST(SecretMask, OnlyThePasswordsOfTheSetupsCommandLineAreHidden) {
  struct Row {
    const wchar_t* commandLine;
    const wchar_t* line;
    const wchar_t* shown;
    const wchar_t* dumped;
  } rows[] = {
      {L"/q ", L"Executing cmd.exe /q /c tool.exe DB_PWD=Zq9 /q", L"Executing cmd.exe /q /c tool.exe DB_PWD=****** /q",
       L"[CMDLINE] = /q "},
      {L"/q VUROVIZO_PASSWORD=Vz1 X=1 ", L"Executing cmd.exe /q /c echo Vz1 X=1",
       L"Executing cmd.exe /q /c echo ****** X=1", L"[CMDLINE] = /q VUROVIZO_PASSWORD=****** X=1 "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.commandLine));
    MemoryLog log;
    PropertyMap properties;
    log.MaskWith(properties.Secrets());
    properties.Set(L"[CMDLINE]", row.commandLine);
    log.WriteLine(row.line);
    properties.Dump(log);
    EXPECT_EQ((std::vector<std::wstring>{row.shown, row.dumped}), log.lines);
  }
}

TEST(SecretMask, LogFilesMaskedInPlaceInTheirEncoding) {
  SecretMask mask;
  mask.Add(L"S3cr\u00e9t");
  const std::wstring wide = L"Property(S): DB_PWD = S3cr\u00e9t\r\n";
  std::string utf16("\xFF\xFE", 2);
  utf16.append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  const std::wstring wideMasked = L"Property(S): DB_PWD = ******\r\n";
  std::string utf16Masked("\xFF\xFE", 2);
  utf16Masked.append(reinterpret_cast<const char*>(wideMasked.data()), wideMasked.size() * 2);
  struct Row {
    std::string before, after;
  } rows[] = {
      {"Property(S): DB_PWD = S3cr\xE9t\r\n", "Property(S): DB_PWD = ******\r\n"},      // ANSI (1252)
      {"Command line: DB_PWD=S3cr\xC3\xA9t\r\n", "Command line: DB_PWD=******\r\n"},    // UTF-8
      {utf16, utf16Masked},
      {"no secret here", "no secret here"},
  };
  ScratchFolder scratch;
  for (const Row& row : rows) {
    const std::wstring path = scratch.Write(L"package.log", row.before);
    ASSERT_TRUE(platform::RewriteInPlace(path, [&](const std::string& b) { return mask.ApplyToFile(b); }));
    EXPECT_EQ(row.after, test_files::ReadShared(path));
  }
  EXPECT_FALSE(platform::RewriteInPlace(scratch.path() + L"absent.log", [](const std::string& b) { return b; }));
}

// Another program's log may hold a value the ANSI code page cannot: Windows Installer writes it
// best fit, other writers put stand-ins. Both forms are masked, unless stand-ins make up half of
// the form or more (a "??" would hide text that is not the secret). Code page 1252 here.
TEST(SecretMask, LossyAnsiFormsOfAValueAreMaskedInLogFiles) {
  const std::wstring omega = L"Zeta-\u03A9mega-\u0101-9";
  auto utf16 = [](const std::wstring& wide) {
    std::string bytes("\xFF\xFE", 2);
    return bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  };
  struct Row {
    std::wstring value;
    std::string before, after;
  } rows[] = {
      {omega, "Property(S): DB_PWD = Zeta-Omega-a-9\r\n", "Property(S): DB_PWD = ******\r\n"},  // best fit
      {omega, "CommandLine: DB_PWD=Zeta-?mega-?-9 X=1", "CommandLine: DB_PWD=****** X=1"},         // stand-ins
      {omega, "DB_PWD=Zeta-\xCE\xA9mega-\xC4\x81-9", "DB_PWD=******"},                          // UTF-8
      {omega, utf16(L"DB_PWD = " + omega), utf16(L"DB_PWD = ******")},
      {omega, "Zeta-Omega-b-9 Zeta-?mega-9", "Zeta-Omega-b-9 Zeta-?mega-9"},  // near misses stay
      {L"\u03A91", "either ?1 or O1", "either ?1 or ******"},  // "?1" is half stand-in
      {L"\u5BC6\u7801", "?? and ??", "?? and ??"},            // nothing kept: nothing to look for
      {L"Wh?-\u03A9x", "Wh?-?x and Wh?-Ox", "****** and ******"},  // its own "?" is no stand-in
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before);
    SecretMask mask;
    mask.Add(row.value);
    EXPECT_EQ(row.after, mask.ApplyToFile(row.before));
  }
}

}  // namespace
