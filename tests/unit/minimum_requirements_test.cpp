// Minimum requirements: the bypass switch, which requirements are tested and the failure message.
#include "checks/minimum_requirements.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "check_rules_fixture.h"

namespace {

// A requirement with its order, optional conditions and checks (Property, Value, Error).
std::wstring Requirement(int order, const std::wstring& checks, const std::wstring& conditions = L"") {
  return text::Format(
      L"<MinimumRequirement Order='%d'>%s<MessageInfo>Requirement %d not met:</MessageInfo>"
      L"<CheckGroupList><CheckGroup>%s</CheckGroup></CheckGroupList></MinimumRequirement>",
      order, conditions, order, checks);
}

std::wstring Check(const std::wstring& property, const std::wstring& value, const std::wstring& error) {
  return L"<Check Property='" + property + L"' Value='" + value + L"' Error='" + error + L"'/>";
}

std::wstring Checks(const std::wstring& requirements) {
  return L"<D><MinimumRequirementChecks>" + requirements + L"</MinimumRequirementChecks></D>";
}

class MinimumRequirementsTest : public CheckFixture {
 protected:
  void SetUp() override {
    CheckFixture::SetUp();
    properties.Set(L"OS", L"Win10");
    properties.Set(L"RAM", L"2");
  }
  static constexpr const wchar_t* kBypass = L"OPBypassMSRCheck";
  EnvironmentOverride bypass_{kBypass, nullptr};
};

TEST_F(MinimumRequirementsTest, BypassVariableSetsTheProperty) {
  const struct {
    std::optional<std::wstring> value;
    bool bypass;
  } cases[] = {{L"1", true}, {L"0", false}, {std::nullopt, false}, {L"10", false}, {L"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? text::ToUtf8(*c.value) : "absent");
    log.lines.clear();
    bypass_.Set(c.value);
    Load(L"<D/>");
    EXPECT_TRUE(MinimumRequirements(context).CheckMinimumRequirements());
    EXPECT_EQ(properties.Get(L"BypassMSRCheck"), c.bypass ? L"True" : L"False");
    EXPECT_EQ(log.Has(L"OPBypassMSRCheck environment variable is set."), c.bypass);
    EXPECT_EQ(log.HasContaining(L"GetEnvironmentVariable for OPBypassMSRCheck failed with error code "), !c.bypass);
  }
  bypass_.Set(nullptr);
  log.lines.clear();
  MinimumRequirements(context).CheckMinimumRequirements();
  EXPECT_TRUE(log.Has(L"GetEnvironmentVariable for OPBypassMSRCheck failed with error code 203"));
}

TEST_F(MinimumRequirementsTest, FailureMessageListsEveryFailedItem) {
  Load(Checks(Requirement(1, Check(L"OS", L"Win7|Win8", L"Windows too new") +
                                 Check(L"RAM", L">=4", L"Too little memory") + Check(L"Missing", L"x", L"") +
                                 Check(L"RAM", L"2", L"Never shown"))));
  EXPECT_FALSE(MinimumRequirements(context).CheckMinimumRequirements());
  ASSERT_EQ(machine.prompts.asked.size(), 1u);
  EXPECT_EQ(machine.prompts.asked[0].text, L"Requirement 1 not met:\n\nWindows too new\nToo little memory");
  EXPECT_EQ(machine.prompts.asked[0].caption, L"Demo Product");
  EXPECT_EQ(machine.prompts.asked[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_TRUE(log.Has(L"Minimum requirement OS is Windows too new"));
  EXPECT_TRUE(log.Has(L"Minimum requirement RAM is Too little memory"));
  EXPECT_FALSE(log.HasContaining(L"Minimum requirement Missing"));
}

TEST_F(MinimumRequirementsTest, WhichRequirementsAreTested) {
  const std::wstring fails = Check(L"RAM", L">=4", L"memory");
  const std::wstring passes = Check(L"RAM", L">=1", L"memory");
  const std::wstring onXp = L"<CheckConditions><CheckIf Property='OS' Value='XP'/></CheckConditions>";
  const std::wstring unlessBypassed =
      L"<CheckConditions><CheckIf Property='BypassMSRCheck' Value='False'/></CheckConditions>";
  const struct {
    const char* name;
    std::wstring xml;
    const wchar_t* bypass;  // the environment variable, or null
    int stoppedBy;          // the order whose message is shown; 0 when the run goes on
  } cases[] = {
      {"NoElement", L"<D/>", nullptr, 0},
      {"NoOrderOne", Checks(Requirement(2, fails)), nullptr, 0},
      {"GapEndsTheWalk", Checks(Requirement(1, passes) + Requirement(2, passes) + Requirement(4, fails)), nullptr, 0},
      {"ConditionsNotHoldingSkip", Checks(Requirement(1, fails, onXp) + Requirement(2, passes)), nullptr, 0},
      {"FirstFailureStops", Checks(Requirement(1, passes) + Requirement(2, fails) + Requirement(3, fails)), nullptr, 2},
      {"BypassThroughConditions", Checks(Requirement(1, fails, unlessBypassed)), L"1", 0},
      {"NotBypassed", Checks(Requirement(1, fails, unlessBypassed)), L"0", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    machine.prompts.asked.clear();
    log.lines.clear();
    bypass_.Set(c.bypass);
    Load(c.xml);
    EXPECT_EQ(MinimumRequirements(context).CheckMinimumRequirements(), c.stoppedBy == 0);
    ASSERT_EQ(machine.prompts.asked.size(), c.stoppedBy ? 1u : 0u);
    if (c.stoppedBy) {
      EXPECT_EQ(machine.prompts.asked[0].text, text::Format(L"Requirement %d not met:\n\nmemory", c.stoppedBy));
    }
    EXPECT_EQ(log.Count(L"Minimum requirement RAM is memory"), c.stoppedBy ? 1u : 0u);
  }
}

TEST_F(MinimumRequirementsTest, EveryListElementIsWalked) {
  Load(L"<D><MinimumRequirementChecks>" + Requirement(1, Check(L"RAM", L"2", L"x")) +
       L"</MinimumRequirementChecks><Group><MinimumRequirementChecks>" + Requirement(1, Check(L"OS", L"XP", L"old")) +
       L"</MinimumRequirementChecks></Group></D>");
  context.silent = true;
  MinimumRequirements check(context);
  EXPECT_FALSE(check.CheckMinimumRequirements());
  EXPECT_EQ(check.Failures(), std::vector<std::wstring>{L"old"});
  EXPECT_TRUE(machine.prompts.asked.empty());
  EXPECT_TRUE(log.Has(L"Minimum requirement OS is old"));
}

TEST_F(MinimumRequirementsTest, MalformedRequirementsNeverCrash) {
  Load(Checks(L"<MinimumRequirement Order='1'/>" + std::wstring(L"<MinimumRequirement Order='2'><CheckGroupList>"
                                                                L"<CheckGroup><Check/></CheckGroup></CheckGroupList>"
                                                                L"</MinimumRequirement>")));
  EXPECT_TRUE(MinimumRequirements(context).CheckMinimumRequirements());
  Load(
      Checks(L"<MinimumRequirement Order='1'><CheckGroupList><CheckGroup><Check Error='bad'/></CheckGroup>"
             L"</CheckGroupList></MinimumRequirement>"));
  EXPECT_FALSE(MinimumRequirements(context).CheckMinimumRequirements());
  ASSERT_EQ(machine.prompts.asked.size(), 1u);
  EXPECT_EQ(machine.prompts.asked[0].text, L"\n\nbad");  // no MessageInfo: the list alone
  EXPECT_TRUE(log.Has(L"Error 1 getting MessageInfo text"));
}

}  // namespace
