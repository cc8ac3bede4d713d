#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/property_map.h"
#include "fakes/memory_log.h"

namespace {

struct ValueCase {
  const wchar_t* value;
  const wchar_t* test;
  bool expected;
};

void ExpectAll(const std::vector<ValueCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, PropertyMap::ValueMatches(c.value, c.test)) << "value '" << testing::PrintToString(std::wstring(c.value))
                                                                      << "' test " << testing::PrintToString(std::wstring(c.test));
    PropertyMap map;
    map.Set(L"P", c.value);
    EXPECT_EQ(c.expected, map.Matches(L"P", c.test));
  }
}

TEST(PropertyMapMatches, PlainTextIgnoresCase) {
  ExpectAll({
      {L"True", L"true", true},
      {L"Win10", L"WIN10", true},
      {L"True", L"False", false},
      {L"Win10", L"Win1", false},
      {L"", L"", true},
      {L"x", L"", false},
  });
}

TEST(PropertyMapMatches, AlternativesSeparatedByBars) {
  ExpectAll({
      {L"upgrade", L"Repair|Upgrade", true},
      {L"Repair", L"Repair|Upgrade", true},
      {L"Install", L"Repair|Upgrade", false},
      {L"x", L"|x|", true},
      {L"", L"Repair||Upgrade", false},  // empty alternatives never match
      {L"", L"|", false},
      {L"10", L">=3|5", false},          // no numeric test inside a list
      {L">=3", L">=3|5", true},
      {L"5", L">=3|5", true},
  });
}

TEST(PropertyMapMatches, NumericOperators) {
  ExpectAll({
      {L"10", L">=3", true},   {L"3", L">=3", true},    {L"2", L">=3", false},
      {L"3", L"<=3", true},    {L"4", L"<=3", false},   {L"3", L"&gt;2", true},
      {L"2", L"&gt;2", false}, {L"1", L"&lt;2", true},  {L"2", L"&lt;2", false},
      {L"1", L"!=0", true},    {L"0", L"!=0", false},   {L"0abc", L"!=0", false},
      {L"abc", L">=0", true},  {L"abc", L"&gt;-1", true}, {L" -5", L"&lt;0", true},
      {L"-3", L">=-5", true},  {L"7", L"5>=", true},
  });
}

TEST(PropertyMapMatches, FirstOperatorInPriorityOrderDecides) {
  ExpectAll({
      {L"3", L"<=>=5", true},     // ">=" before "<=": value >= atoi("<=5")
      {L"1", L">=2!=", false},    // ">=" before "!=": value >= 2
      {L"3", L"&gt;<=5", false},  // "<=" before "&gt;": value <= atoi("&gt;5")
      {L"3", L"!=&lt;5", false},  // "&lt;" before "!=": value < atoi("!=5")
  });
}

TEST(PropertyMapMatches, OperatorCharacterWithoutOperatorIsTrue) {
  ExpectAll({
      {L"0", L">5", true},
      {L"anything", L">5", true},
      {L"", L"<5", true},
      {L"x", L"a&b", true},
      {L"x", L"!", true},
  });
}

TEST(PropertyMap, AbsentNameNeverMatches) {
  PropertyMap map;
  map.Set(L"Empty", L"");
  for (const wchar_t* test : {L"", L">=0", L"<=0", L"&lt;1", L"&gt;-1", L"!=5", L">5", L"a|b", L"|"})
    EXPECT_FALSE(map.Matches(L"Missing", test)) << testing::PrintToString(std::wstring(test));
  EXPECT_TRUE(map.Matches(L"Empty", L""));
}

TEST(PropertyMap, SetReplacesAndGetOfAbsentIsEmpty) {
  PropertyMap map;
  EXPECT_TRUE(map.Set(L"Mode", L"Install"));
  EXPECT_TRUE(map.Set(L"Mode", L"Repair"));
  EXPECT_TRUE(map.Set(L"mode", L"other"));  // names keep their case
  EXPECT_EQ(L"Repair", map.Get(L"Mode"));
  EXPECT_EQ(L"other", map.Get(L"mode"));
  EXPECT_EQ(2u, map.All().size());
  EXPECT_EQ(L"", map.Get(L"MODE"));
  EXPECT_FALSE(map.Has(L"MODE"));
}

TEST(PropertyMap, DumpInCodeUnitOrderWithSecretsMasked) {
  PropertyMap map;
  map.Set(L"Mode", L"Install");
  map.Set(L"zeta", L"1");
  map.Set(L"[PASSWORD]", L"s3cret");
  map.Set(L"DCSCache", L"True");
  map.Set(L"[CMDLINE]", L"/q VUROVIZO_PASSWORD=s3cret ");
  map.Set(L"ServicePASSWORDHint", L"s3cret hint");
  map.Set(L"[Password]", L"mixed case");
  map.Set(L"Zulu", L"2");
  map.Set(L"apple", L"3");
  MemoryLog log;
  map.Dump(log);
  const std::vector<std::wstring> expected = {
      L"DCSCache = True",   L"Mode = Install",        L"ServicePASSWORDHint = ******",
      L"Zulu = 2",          L"[CMDLINE] = /q VUROVIZO_PASSWORD=****** ", L"[PASSWORD] = ******",
      L"[Password] = ******", L"apple = 3",           L"zeta = 1",
  };
  EXPECT_EQ(expected, log.lines);
  EXPECT_FALSE(log.HasContaining(L"s3cret"));
}

}  // namespace
