// Conditions: the six layouts and the value tests applied to their items.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/property_map.h"
#include "definition/conditions.h"
#include "definition/xml_document.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using Props = std::vector<std::pair<std::wstring, std::wstring>>;

class ConditionsTest : public DefinitionTest {
 protected:

  bool Evaluate(const std::wstring& xml, ConditionKind kind, const Props& props) {
    properties = PropertyMap();
    for (const auto& [name, value] : props) properties.Set(name, value);
    EXPECT_TRUE(doc.LoadText(xml)) << text::ToUtf8(xml);
    return Conditions(doc.Root(), kind, values).Evaluate();
  }
};

struct Layout {
  ConditionKind kind;
  const wchar_t* list;  // empty for kinds without a list
  const wchar_t* group;
  const wchar_t* item;
};

const Layout kLayouts[] = {
    {ConditionKind::Check, L"", L"CheckConditions", L"CheckIf"},
    {ConditionKind::CheckGroup, L"CheckGroupList", L"CheckGroup", L"Check"},
    {ConditionKind::Install, L"InstallConditionsList", L"InstallConditions", L"InstallIf"},
    {ConditionKind::Uninstall, L"", L"UninstallConditions", L"UninstallIf"},
    {ConditionKind::Show, L"", L"ShowConditions", L"ShowIf"},
    {ConditionKind::Execute, L"ConditionsList", L"Condition", L"ExecuteIf"},
};

// An owning element with one group of the layout holding the given items, inside the list when
// the layout has one.
std::wstring Owner(const Layout& layout, const std::wstring& items) {
  std::wstring group = text::Format(L"<%s>%s</%s>", layout.group, items, layout.group);
  if (*layout.list) group = text::Format(L"<%s>%s</%s>", layout.list, group, layout.list);
  return L"<Owner><Name>x</Name>" + group + L"</Owner>";
}

std::wstring Item(const Layout& layout, const std::wstring& property, const std::wstring& value) {
  return text::Format(L"<%s Property=\"%s\" Value=\"%s\"/>", layout.item, property, value);
}

TEST_F(ConditionsTest, EveryKindReadsItsOwnElementNames) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(text::ToUtf8(layout.group));
    const Props props = {{L"OS", L"Win7"}};
    EXPECT_TRUE(Evaluate(L"<Owner><Name>x</Name></Owner>", layout.kind, props));
    EXPECT_TRUE(Evaluate(Owner(layout, Item(layout, L"OS", L"Win7")), layout.kind, props));
    EXPECT_FALSE(Evaluate(Owner(layout, Item(layout, L"OS", L"Win10")), layout.kind, props));
    // Another kind's layout means nothing to this one.
    for (const Layout& other : kLayouts) {
      if (other.kind == layout.kind) continue;
      EXPECT_TRUE(Evaluate(Owner(other, Item(other, L"OS", L"Win10")), layout.kind, props))
          << text::ToUtf8(other.group);
    }
  }
}

TEST_F(ConditionsTest, GroupsInAListAreAlternatives) {
  const std::wstring failing = L"<InstallConditions><InstallIf Property='OS' Value='Win10'/></InstallConditions>";
  const std::wstring holding =
      L"<InstallConditions><InstallIf Property='Processor' Value='x64'/>"
      L"<InstallIf Property='RAM' Value='&gt;=4'/></InstallConditions>";
  const Props props = {{L"OS", L"Win7"}, {L"Processor", L"x64"}, {L"RAM", L"8"}};
  const Props small = {{L"OS", L"Win7"}, {L"Processor", L"x64"}, {L"RAM", L"2"}};
  const ConditionKind install = ConditionKind::Install;

  EXPECT_TRUE(Evaluate(L"<P><InstallConditionsList>" + failing + holding + L"</InstallConditionsList></P>",
                       install, props));
  EXPECT_FALSE(Evaluate(L"<P><InstallConditionsList>" + failing + holding + L"</InstallConditionsList></P>",
                        install, small));
  EXPECT_FALSE(Evaluate(L"<P><InstallConditionsList>" + failing + L"</InstallConditionsList></P>", install, props));
  // A list without groups, or groups outside the list, ask nothing.
  EXPECT_TRUE(Evaluate(L"<P><InstallConditionsList/></P>", install, props));
  EXPECT_TRUE(Evaluate(L"<P>" + failing + failing + L"</P>", install, props));
  // Only the first list counts.
  EXPECT_TRUE(Evaluate(L"<P><InstallConditionsList>" + holding + L"</InstallConditionsList><InstallConditionsList>" +
                           failing + L"</InstallConditionsList></P>",
                       install, props));
}

TEST_F(ConditionsTest, KindsWithoutAListReadOnlyTheFirstGroup) {
  const Props props = {{L"OS", L"Win7"}};
  EXPECT_TRUE(Evaluate(L"<C><CheckConditions><CheckIf Property='OS' Value='Win7'/></CheckConditions>"
                       L"<CheckConditions><CheckIf Property='OS' Value='Win10'/></CheckConditions></C>",
                       ConditionKind::Check, props));
  EXPECT_FALSE(Evaluate(L"<C><CheckConditions><CheckIf Property='OS' Value='Win10'/></CheckConditions>"
                        L"<CheckConditions><CheckIf Property='OS' Value='Win7'/></CheckConditions></C>",
                        ConditionKind::Check, props));
  // Items are all required, nested ones are not items of the group.
  EXPECT_FALSE(Evaluate(L"<C><CheckConditions><CheckIf Property='OS' Value='Win7'/>"
                        L"<CheckIf Property='OS' Value='Win10'/></CheckConditions></C>",
                        ConditionKind::Check, props));
  EXPECT_TRUE(Evaluate(L"<C><CheckConditions><Sub><CheckIf Property='OS' Value='Win10'/></Sub></CheckConditions></C>",
                       ConditionKind::Check, props));
}

struct ItemCase {
  const char* name;
  std::wstring item;  // one CheckIf element, as written in the XML
  Props props;
  bool expected;
};

class ConditionItems : public ConditionsTest, public testing::WithParamInterface<ItemCase> {};

TEST_P(ConditionItems, Hold) {
  const ItemCase& c = GetParam();
  EXPECT_EQ(Evaluate(L"<C><CheckConditions>" + c.item + L"</CheckConditions></C>", ConditionKind::Check, c.props),
            c.expected)
      << text::ToUtf8(c.item);
}

#define ITEM(property, value) L"<CheckIf Property=\"" property L"\" Value=\"" value L"\"/>"

INSTANTIATE_TEST_SUITE_P(
    Values, ConditionItems,
    testing::Values(
        ItemCase{"AlternativeIgnoresCase", ITEM("OS", "Win10|Win2016"), {{L"OS", L"win2016"}}, true},
        ItemCase{"AlternativeFirst", ITEM("OS", "Win10|Win2016"), {{L"OS", L"WIN10"}}, true},
        ItemCase{"AlternativeNone", ITEM("OS", "Win10|Win2016"), {{L"OS", L"Win7"}}, false},
        ItemCase{"AlternativeWithSpace", ITEM("OS", "Win10| Win2016"), {{L"OS", L"Win2016"}}, false},
        ItemCase{"AlternativeOperatorIsLiteral", ITEM("RAM", "&gt;=4|8"), {{L"RAM", L"16"}}, false},
        ItemCase{"AtLeastEqual", ITEM("RAM", "&gt;=4"), {{L"RAM", L"4"}}, true},
        ItemCase{"AtLeastMore", ITEM("RAM", "&gt;=4"), {{L"RAM", L"16"}}, true},
        ItemCase{"AtLeastLess", ITEM("RAM", "&gt;=4"), {{L"RAM", L"2"}}, false},
        ItemCase{"AtMostEqual", ITEM("RAM", "&lt;=8"), {{L"RAM", L"8"}}, true},
        ItemCase{"AtMostMore", ITEM("RAM", "&lt;=8"), {{L"RAM", L"9"}}, false},
        ItemCase{"GreaterHolds", ITEM("RAM", "&amp;gt;4"), {{L"RAM", L"5"}}, true},
        ItemCase{"GreaterEqualFails", ITEM("RAM", "&amp;gt;4"), {{L"RAM", L"4"}}, false},
        ItemCase{"LessHolds", ITEM("RAM", "&amp;lt;4"), {{L"RAM", L"3"}}, true},
        ItemCase{"LessEqualFails", ITEM("RAM", "&amp;lt;4"), {{L"RAM", L"4"}}, false},
        ItemCase{"NotEqualHolds", ITEM("Count", "!=0"), {{L"Count", L"1"}}, true},
        ItemCase{"NotEqualFails", ITEM("Count", "!=0"), {{L"Count", L"0"}}, false},
        ItemCase{"NotEqualMissing", ITEM("Count", "!=0"), {}, false},
        ItemCase{"BareGreaterAlwaysHolds", ITEM("RAM", "&gt;4"), {{L"RAM", L"1"}}, true},
        ItemCase{"BareLessAlwaysHolds", ITEM("RAM", "&lt;4"), {{L"RAM", L"9"}}, true},
        ItemCase{"AmpersandInWords", ITEM("Edition", "Sales &amp; Marketing"), {{L"Edition", L"Other"}}, true},
        ItemCase{"VersionAgainstInteger", ITEM("NET", "&gt;=4"), {{L"NET", L"4.7.2"}}, true},
        ItemCase{"NeverSetWithOperator", ITEM("Unset", "&gt;=0"), {{L"RAM", L"4"}}, false},
        ItemCase{"NeverSetPlain", ITEM("Unset", "x"), {}, false},
        ItemCase{"EqualityIgnoresCase", ITEM("Processor", "X64"), {{L"Processor", L"x64"}}, true},
        ItemCase{"NoAttributesSkipped", L"<CheckIf/>", {}, true},
        ItemCase{"OtherAttributesSkipped", L"<CheckIf Name=\"OS\"/>", {}, true},
        ItemCase{"EmptyPropertySkipped", ITEM("", "Win10"), {}, true},
        ItemCase{"EmptyValueSkipped", ITEM("OS", ""), {}, true},
        ItemCase{"EscapedStoreName", ITEM("[[INSTALLDIRECTORY]]", "C:\\Apps\\"),
                 {{L"[INSTALLDIRECTORY]", L"c:\\apps\\"}}, true},
        ItemCase{"EscapedStoreNameDiffers", ITEM("[[INSTALLDIRECTORY]]", "C:\\Apps\\"),
                 {{L"[INSTALLDIRECTORY]", L"D:\\Apps\\"}, {L"INSTALLDIRECTORY", L"C:\\Apps\\"}}, false},
        ItemCase{"ValueIsSubstituted", ITEM("OS", "[WANTED]"), {{L"OS", L"Win11"}, {L"[WANTED]", L"Win11"}}, true}),
    [](const testing::TestParamInfo<ItemCase>& info) { return std::string(info.param.name); });

#undef ITEM

TEST_F(ConditionsTest, SkippedItemsDoNotHideAFailingOne) {
  EXPECT_FALSE(Evaluate(L"<C><CheckConditions><CheckIf/><CheckIf Property='' Value='x'/>"
                        L"<CheckIf Property='OS' Value='Win10'/></CheckConditions></C>",
                        ConditionKind::Check, {{L"OS", L"Win7"}}));
}

}  // namespace
