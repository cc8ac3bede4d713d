#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "core/property_map.h"
#include "fakes/memory_log.h"

namespace {

using Properties = std::map<std::wstring, std::wstring>;

struct Row {
  Row(std::vector<std::wstring> a, uint32_t fl = mode::Default, bool s = false, bool au = false, std::wstring d = {},
      std::wstring i = {}, std::wstring e = {}, Properties p = {})
      : args(std::move(a)), flags(fl), silent(s), autoUpdate(au), definition(std::move(d)),
        installDirectory(std::move(i)), extra(std::move(e)), properties(std::move(p)) {}
  std::vector<std::wstring> args;
  uint32_t flags;
  bool silent;
  bool autoUpdate;
  std::wstring definition;
  std::wstring installDirectory;
  std::wstring extra;
  Properties properties;  // besides "[CMDLINE]"
};

std::wstring Joined(const std::vector<std::wstring>& args) {
  std::wstring all;
  for (const auto& a : args) all += a + L" ";
  return all;
}

TEST(ReadCommandLine, EachArgumentTakesTheFirstMatchingRow) {
  const std::wstring kX = L"C:\\x";
  const std::vector<Row> rows = {
      {std::vector<std::wstring>{}},
      {{L"/u"}, mode::Uninstall},
      {{L"/U"}, mode::Uninstall},
      {{L"/modify"}, mode::Uninstall},
      {{L"/r"}, mode::Repair},
      {{L"/upgrade"}, mode::Upgrade},
      {{L"/r", L"/upgrade"}, 24},
      {{L"/u", L"/u"}, mode::Uninstall},
      {{L"D:\\dist\\Products.xml"}, 1, false, false, L"D:\\dist\\Products.xml"},
      {{L"Products.XML"}},  // the extension test is case-sensitive
      {{L"/q"}, 1, true},
      {{L"/Q"}, 1, true},
      {{L"/qn"}, 1, true},
      {{L"/QUIET"}, 1, true},
      {{L"autoupdate"}, mode::Upgrade, true, true},
      {{L"AutoUpdate"}, mode::Upgrade, true, true},
      {{L"shellautoupdate"}, mode::Upgrade, false, true},
      {{L"TARGETDIR=C:\\x"}, 1, false, false, L"", kX, L"", {{L"[INSTALLDIRECTORY]", kX}}},
      {{L"INSTALLLOCATION=C:\\x"}, 1, false, false, L"", kX, L"", {{L"[INSTALLDIRECTORY]", kX}}},
      {{L"MYTARGETDIR=C:\\x"}, 1, false, false, L"", kX, L"", {{L"[INSTALLDIRECTORY]", kX}}},
      {{L"TARGETDIR="}, 1, false, false, L"", L"", L"", {{L"[INSTALLDIRECTORY]", L""}}},
      {{L"targetdir=C:\\x"}, 1, false, false, L"", L"", L"targetdir=C:\\x "},
      // A value with blanks is quoted again for the installer.
      {{L"COMPANYNAME=Orvanta Inc"}, 1, false, false, L"", L"", L"COMPANYNAME=\"Orvanta Inc\" "},
      {{L"TARGETDIR=D:\\setup.xml"}, 1, false, false, L"TARGETDIR=D:\\setup.xml"},
      {{L"VUROVIZO_USER=DOMAIN\\a=b"}, 1, false, false, L"", L"", L"", {{L"[USER]", L"DOMAIN\\a=b"}}},
      {{L"DOCUMENT_SERVICEACCOUNTID=svc"}, 1, false, false, L"", L"", L"", {{L"[USER]", L"svc"}}},
      {{L"VUROVIZO_PASSWORD=p=w"}, 1, false, false, L"", L"", L"", {{L"[PASSWORD]", L"p=w"}}},
      {{L"DOCUMENT_SERVICEACCOUNTPWD=pw"}, 1, false, false, L"", L"", L"", {{L"[PASSWORD]", L"pw"}}},
      {{L"SYSTEM_IP=10.0.0.1"}, 1, false, false, L"", L"", L"", {{L"[SERVER_NAME]", L"10.0.0.1"}}},
      {{L"DOCUMENT_PORTAL_SERVER=srv"}, 1, false, false, L"", L"", L"", {{L"[SERVER_NAME]", L"srv"}}},
      {{L"/central"}, 1, false, false, L"", L"", L" CENTRALOFFICE=1 ", {{L"CentralOffice", L"True"}}},
      {{L"/CENTRAL"}, 1, false, false, L"", L"", L" CENTRALOFFICE=1 ", {{L"CentralOffice", L"True"}}},
      {{L"/zemdeploy"}, 1, false, false, L"", L"", L" ZEMDEPLOY=1 "},
      {{L"/dcscache"}, 1, false, false, L"", L"", L" DCSCACHE=1 ", {{L"DCSCache", L"True"}}},
      {{L"/dcscache", L"/DCSCache"}, 1, false, false, L"", L"", L" DCSCACHE=1  DCSCACHE=1 ", {{L"DCSCache", L"True"}}},
      {{L"REBOOT=ReallySuppress", L"REBOOT=ReallySuppress"}, 1, false, false, L"", L"", L"REBOOT=ReallySuppress REBOOT=ReallySuppress "},
      {{L"/unknown", L"plain"}},  // refused, and otherwise without effect
      {{L"/u", L"/q", L"ALLUSERS=1", L"TARGETDIR=C:\\x", L"/zemdeploy"}, mode::Uninstall, true, false, L"", kX,
       L"ALLUSERS=1  ZEMDEPLOY=1 ", {{L"[INSTALLDIRECTORY]", kX}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(Joined(row.args)));
    CommandLineFields f;
    PropertyMap properties;
    MemoryLog log;
    ReadCommandLine(row.args, f, properties, log);
    EXPECT_EQ(row.flags, f.modeFlags);
    EXPECT_EQ(row.silent, f.silent);
    EXPECT_EQ(row.autoUpdate, f.autoUpdate);
    EXPECT_EQ(row.definition, f.definitionFileName);
    EXPECT_EQ(row.installDirectory, f.installDirectory);
    EXPECT_EQ(row.extra, f.extraInstallProperties);
    Properties expected = row.properties;
    expected[L"[CMDLINE]"] = Joined(row.args);
    EXPECT_EQ(expected, properties.All());
    EXPECT_EQ(Joined(row.args), f.commandLine);
  }
}

TEST(ReadCommandLine, OneLogLinePerArgumentWithPasswordsMasked) {
  const std::vector<std::wstring> args = {L"/q",
                                          L"TARGETDIR=C:\\a b",
                                          L"VUROVIZO_PASSWORD=s3cret",
                                          L"DOCUMENT_SERVICEACCOUNTPWD=s3cret=x",
                                          L"DOCUMENT_SERVICEACCOUNTPWD=",
                                          L"/unknown",
                                          L"/q"};
  CommandLineFields f;
  PropertyMap properties;
  MemoryLog log;
  ReadCommandLine(args, f, properties, log);
  const std::vector<std::wstring> expected = {L"/q",
                                              L"TARGETDIR=C:\\a b",
                                              L"VUROVIZO_PASSWORD=******",
                                              L"DOCUMENT_SERVICEACCOUNTPWD=******",
                                              L"DOCUMENT_SERVICEACCOUNTPWD=******",
                                              L"Unknown switch /unknown: the command line is refused.",
                                              L"/unknown",
                                              L"/q"};
  EXPECT_EQ(expected, log.lines);
  EXPECT_EQ(L"/q TARGETDIR=C:\\a b VUROVIZO_PASSWORD=s3cret DOCUMENT_SERVICEACCOUNTPWD=s3cret=x "
            L"DOCUMENT_SERVICEACCOUNTPWD= /unknown /q ",
            properties.Get(L"[CMDLINE]"));
  EXPECT_EQ(L"", properties.Get(L"[PASSWORD]"));  // the last one wins
}

// A password that looks like a file name or an install folder stays a password, so its
// value reaches neither the log nor a property that the dump shows.
TEST(ReadCommandLine, PasswordArgumentIsNeverTakenByAnotherRow) {
  const std::vector<std::wstring> args = {L"VUROVIZO_PASSWORD=pass.xml", L"DOCUMENT_SERVICEACCOUNTPWD=xTARGETDIR=y"};
  CommandLineFields f;
  PropertyMap properties;
  MemoryLog log;
  ReadCommandLine(args, f, properties, log);
  EXPECT_EQ(L"", f.definitionFileName);
  EXPECT_EQ(L"", f.installDirectory);
  EXPECT_FALSE(properties.Has(L"[INSTALLDIRECTORY]"));
  EXPECT_EQ(L"xTARGETDIR=y", properties.Get(L"[PASSWORD]"));
  EXPECT_EQ((std::vector<std::wstring>{L"VUROVIZO_PASSWORD=******", L"DOCUMENT_SERVICEACCOUNTPWD=******"}), log.lines);
}

}  // namespace

// A quote in a value could end it early and smuggle further installer properties in; the
// argument goes nowhere (not even into the command line handed on) and its value is not logged.
TEST(ReadCommandLine, ValueWithADoubleQuoteIsRefused) {
  const std::vector<std::pair<std::wstring, std::wstring>> rows = {
      {L"NOTE=\"a b\"", L"NOTE="},
      {L"A=x\" TRANSFORMS=\"C:\\evil.mst", L"A="},
      {L"VUROVIZO_PASSWORD=p\"w", L"VUROVIZO_PASSWORD="},
      {L"TARGETDIR=C:\\\"x", L"TARGETDIR="},
      {L"SYSTEM_IP=\"", L"SYSTEM_IP="},
  };
  for (const auto& [arg, name] : rows) {
    SCOPED_TRACE(testing::PrintToString(arg));
    CommandLineFields f;
    PropertyMap properties;
    MemoryLog log;
    ReadCommandLine({arg, L"/q"}, f, properties, log);
    EXPECT_EQ(L"", f.extraInstallProperties);
    EXPECT_EQ(L"", f.installDirectory);
    EXPECT_EQ((Properties{{L"[CMDLINE]", L"/q "}}), properties.All());
    EXPECT_EQ((std::vector<std::wstring>{L"Refused the argument " + name + L": its value holds a double quote.", L"/q"}),
              log.lines);
  }
}

// The switches deployment tools use: what each sets, and which command lines are refused.
TEST(ReadCommandLine, DeploymentSwitches) {
  const struct {
    std::vector<std::wstring> args;
    std::wstring fields;   // what is set, in a fixed order
    std::wstring refused = {};  // the refused switches, each followed by a blank
  } rows[] = {
      {{L"/passive"}, L"passive "},
      {{L"/norestart"}, L"norestart extra= REBOOT=ReallySuppress  "},
      {{L"/?"}, L"help "},
      {{L"/HELP"}, L"help "},
      {{L"/plan", L"/quiet"}, L"silent plan "},
      {{L"/log", L"C:\\l\\s.log"}, L"log=C:\\l\\s.log "},
      {{L"/l*v", L"C:\\a b.log"}, L"log=C:\\a b.log "},
      {{L"/Lv*x+", L"s.log"}, L"log=s.log "},
      {{L"/result", L"r.json", L"/q"}, L"silent result=r.json "},
      {{L"/layout", L"D:\\offline"}, L"layout=D:\\offline "},
      // The value is the next argument as it is, never read as a definition or a property.
      {{L"/q", L"/LAYOUT", L"\\\\srv\\a b"}, L"silent layout=\\\\srv\\a b "},
      {{L"/layout", L"D:\\x.xml"}, L"layout=D:\\x.xml "},
      {{L"/layout", L"TARGETDIR=C:\\x"}, L"layout=TARGETDIR=C:\\x "},
      {{L"/layout"}, L"", L"/layout "},
      {{L"/log"}, L"", L"/log "},
      {{L"/log", L"/q"}, L"silent ", L"/log "},
      {{L"/qb"}, L"", L"/qb "},
      {{L"/lang", L"x"}, L"", L"/lang "},
      {{L"/unknown", L"/u", L"-x"}, L"", L"/unknown "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(Joined(row.args)));
    CommandLineFields f;
    PropertyMap properties;
    MemoryLog log;
    ReadCommandLine(row.args, f, properties, log);
    std::wstring set;
    if (f.silent) set += L"silent ";
    if (f.passive) set += L"passive ";
    if (f.noRestart) set += L"norestart extra=" + f.extraInstallProperties + L" ";
    if (f.help) set += L"help ";
    if (f.plan) set += L"plan ";
    if (!f.logFile.empty()) set += L"log=" + f.logFile + L" ";
    if (!f.resultFile.empty()) set += L"result=" + f.resultFile + L" ";
    if (!f.layoutFolder.empty()) set += L"layout=" + f.layoutFolder + L" ";
    EXPECT_EQ(row.fields, set);
    std::wstring refused;
    for (const auto& r : f.refused) refused += r + L" ";
    EXPECT_EQ(row.refused, refused);
  }
}
