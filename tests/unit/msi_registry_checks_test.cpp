// MSI checks, registry checks and the registry value reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "checks/msi_registry_checks.h"
#include "core/property_map.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fixtures.h"

namespace {

using platform::Hive;
using platform::View;

class MsiRegistryChecksTest : public DefinitionTest {
 protected:
  FakePlatform machine;
  CheckContext context{log, properties, doc, machine.bundle};
};

const wchar_t kCode[] = L"{11111111-2222-3333-4444-555555555555}";

TEST_F(MsiRegistryChecksTest, MsiCheckAnswersFromTheProductState) {
  struct Row {
    int state;
    const wchar_t* answer;
  } rows[] = {{5, L"True"}, {2, L"True"}, {-1, L"False"}, {1, L"False"}};
  for (const auto& row : rows) {
    machine.installer.states[kCode] = row.state;
    properties = PropertyMap();
    Load(std::wstring(L"<D><MSIChecks><MSICheck Property='Here' GUID='") + kCode + L"'><Order>1</Order></MSICheck></MSIChecks></D>");
    MsiRegistryChecker(context, false).RunMsiChecks();
    EXPECT_EQ(properties.Get(L"Here"), row.answer) << row.state;
    EXPECT_TRUE(log.Has(std::wstring(L"Here ") + row.answer));
  }
}

TEST_F(MsiRegistryChecksTest, MsiChecksHandleMissingPartsAndKeepExisting) {
  machine.installer.states[kCode] = 5;
  Load(std::wstring(L"<D><MSIChecks>"
                    L"<MSICheck Property='NoGuid'><Order>1</Order></MSICheck>"
                    L"<Other Property='Kept' GUID='") +
       kCode +
       L"'><Order>2</Order></Other>"
       L"<MSICheck Property='Skipped'><Order>3</Order><CheckConditions><CheckIf Property='OS' Value='Win7'/>"
       L"</CheckConditions></MSICheck>"
       L"<MSICheck><Order>4</Order></MSICheck>"
       L"</MSIChecks><MSIChecks><Bare><Order>1</Order></Bare><MSICheck Property='Gap'><Order>3</Order></MSICheck></MSIChecks></D>");
  properties.Set(L"OS", L"Win10");
  properties.Set(L"Kept", L"Before");
  MsiRegistryChecker(context, true).RunMsiChecks();
  EXPECT_EQ(properties.Get(L"NoGuid"), L"False");  // no code: still answered
  EXPECT_EQ(properties.Get(L"Kept"), L"Before");   // any element name counts; the value set first stays
  EXPECT_TRUE(log.Has(L"Skipped not checked."));
  EXPECT_FALSE(properties.Has(L"Skipped"));
  EXPECT_EQ(log.Count(L"MSICheck - Property attribute missing"), 2u);  // order 4, and the bare one
  EXPECT_FALSE(properties.Has(L"Gap"));                                  // after a missing number

  // After an uninstall the checks run again without keeping: the answer is refreshed.
  machine.installer.states[kCode] = -1;
  properties.Set(L"Kept", L"True");
  MsiRegistryChecker(context, false).RunMsiChecks();
  EXPECT_EQ(properties.Get(L"Kept"), L"False");
}

std::wstring RegistryCheck(int order, const std::wstring& property, const std::wstring& hive,
                           const std::wstring& subkey, const std::wstring& value) {
  return text::Format(L"<RegistryCheck Property='%s'><Order>%d</Order><HKey>%s</HKey><Subkey>%s</Subkey>"
                      L"<QueryValue>%s</QueryValue></RegistryCheck>",
                      property, order, hive, subkey, value);
}

TEST_F(MsiRegistryChecksTest, RegistryChecksReadBothViewsByProcessor) {
  machine.registry.PutString(Hive::LocalMachine, View::Bit64, L"SOFTWARE\\Only64", L"Where", L"sixty-four");
  machine.registry.PutDword(Hive::LocalMachine, View::Bit32, L"SOFTWARE\\Numbers", L"Count", 300);
  machine.registry.PutDword(Hive::LocalMachine, View::Bit32, L"SOFTWARE\\Numbers", L"Negative", 0xFFFFFFFF);
  machine.registry.PutString(Hive::CurrentUser, View::Bit32, L"Software\\Mine", L"Who", L"user");
  machine.registry.PutString(Hive::LocalMachine, View::Bit32, L"Software\\Mine", L"Who", L"machine");
  Load(L"<D><RegistryChecks>" + RegistryCheck(1, L"Wide", L"HKLM", L"SOFTWARE\\Only64", L"Where") +
       RegistryCheck(2, L"Count", L"HKLM", L"SOFTWARE\\Numbers", L"Count") +
       RegistryCheck(3, L"Negative", L"HKLM", L"SOFTWARE\\Numbers", L"Negative") +
       RegistryCheck(4, L"Lower", L"hkcu", L"Software\\Mine", L"Who") +
       RegistryCheck(5, L"Spelled", L"HKEY_CURRENT_USER", L"Software\\Mine", L"Who") +
       RegistryCheck(6, L"Missing", L"HKLM", L"SOFTWARE\\Nowhere", L"X") +
       L"<RegistryCheck Property='NoChildren'><Order>7</Order></RegistryCheck></RegistryChecks></D>");
  struct Row {
    const wchar_t* processor;
    const wchar_t* wide;
  } rows[] = {{L"x64", L"sixty-four"}, {L"X64", L"sixty-four"}, {L"x86", L""}};
  for (const auto& row : rows) {
    properties = PropertyMap();
    properties.Set(L"Processor", row.processor);
    MsiRegistryChecker(context, true).RunRegistryChecks();
    EXPECT_EQ(properties.Get(L"Wide"), row.wide) << row.processor;
    EXPECT_EQ(properties.Get(L"Count"), L"300");
    EXPECT_EQ(properties.Get(L"Negative"), L"-1");
    EXPECT_EQ(properties.Get(L"Lower"), L"user");
    EXPECT_EQ(properties.Get(L"Spelled"), L"machine");  // not a hive name: the local machine
    EXPECT_TRUE(properties.Has(L"Missing"));
    EXPECT_EQ(properties.Get(L"Missing"), L"");
    EXPECT_TRUE(properties.Has(L"NoChildren"));
  }
  EXPECT_TRUE(log.HasContaining(L"getting HKey text"));
}

TEST_F(MsiRegistryChecksTest, KeepExistingEndsTheWholeRegistryWalk) {
  machine.registry.PutString(Hive::LocalMachine, View::Bit32, L"SOFTWARE\\V", L"A", L"a");
  const std::wstring checks = L"<D><RegistryChecks>" + RegistryCheck(1, L"First", L"HKLM", L"SOFTWARE\\V", L"A") +
                              RegistryCheck(2, L"FromCommandLine", L"HKLM", L"SOFTWARE\\V", L"A") +
                              RegistryCheck(3, L"Third", L"HKLM", L"SOFTWARE\\V", L"A") +
                              L"</RegistryChecks><RegistryChecks>" +
                              RegistryCheck(1, L"OtherGroup", L"HKLM", L"SOFTWARE\\V", L"A") +
                              L"</RegistryChecks></D>";
  Load(checks);
  properties.Set(L"FromCommandLine", L"given");
  MsiRegistryChecker(context, true).RunRegistryChecks();
  EXPECT_EQ(properties.Get(L"First"), L"a");
  EXPECT_EQ(properties.Get(L"FromCommandLine"), L"given");
  EXPECT_FALSE(properties.Has(L"Third"));
  EXPECT_FALSE(properties.Has(L"OtherGroup"));

  // Before a rollback every value is read again.
  MsiRegistryChecker(context, false).RunRegistryChecks();
  EXPECT_EQ(properties.Get(L"FromCommandLine"), L"a");
  EXPECT_EQ(properties.Get(L"OtherGroup"), L"a");
}

TEST_F(MsiRegistryChecksTest, ReadRegistryValueLimitsAndShapes) {
  auto& reg = machine.registry;
  reg.PutString(Hive::ClassesRoot, View::Bit32, L"K", L"Long", std::wstring(300, L'x'));
  platform::RegValue multi;
  multi.type = REG_MULTI_SZ;
  multi.text = std::wstring(L"first\0second", 12);
  reg.Put(Hive::Users, View::Bit32, L"K", L"Multi", multi);
  reg.deniedKeys.insert(L"locked");
  std::wstring out = L"unchanged";
  EXPECT_FALSE(ReadRegistryValue(reg, L"HKCR", L"K", L"Long", out, 260 * sizeof(wchar_t), false));
  EXPECT_EQ(out, L"unchanged");
  EXPECT_TRUE(ReadRegistryValue(reg, L"HKCR", L"K", L"Long", out, 301 * sizeof(wchar_t), false));
  EXPECT_EQ(out.size(), 300u);
  EXPECT_TRUE(ReadRegistryValue(reg, L"hku", L"K", L"Multi", out, 260, false));
  EXPECT_EQ(out, L"first");
  EXPECT_FALSE(ReadRegistryValue(reg, L"HKLM", L"Locked", L"A", out, 260, false));
  EXPECT_FALSE(ReadRegistryValue(reg, L"HKU", L"K", L"Multi", out, 260, true));  // other view
}

}  // namespace
