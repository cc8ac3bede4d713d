// XML access, the attribute and element text readers, and the numbered-children walk.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/property_map.h"
#include "definition/xml_document.h"
#include "definition/xml_readers.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using XmlTest = DefinitionTest;

TEST_F(XmlTest, QueryResultsTellNoMatchFromFailure) {
  XmlNode root = Load(L"<r><a/><a/><b/></r>");
  XmlNode one;
  std::vector<XmlNode> all;
  EXPECT_EQ(root.SelectSingle(L"a", one), XmlQuery::Found);
  EXPECT_TRUE(one);
  EXPECT_EQ(root.SelectAll(L"a", all), XmlQuery::Found);
  EXPECT_EQ(all.size(), 2u);

  EXPECT_EQ(root.SelectSingle(L"missing", one), XmlQuery::NoMatch);
  EXPECT_FALSE(one);
  EXPECT_EQ(root.SelectAll(L"missing", all), XmlQuery::NoMatch);
  EXPECT_TRUE(all.empty());

  for (const wchar_t* bad : {L"a[", L"//*[@=", L"a]]"}) {
    EXPECT_EQ(root.SelectSingle(bad, one), XmlQuery::Failed) << text::ToUtf8(bad);
    EXPECT_EQ(doc.SelectAll(bad, all), XmlQuery::Failed) << text::ToUtf8(bad);
  }
  // A default node has nothing to query on.
  EXPECT_EQ(XmlNode().SelectSingle(L"a", one), XmlQuery::Failed);
}

TEST_F(XmlTest, NodeGivesItsAttributesTextAndName) {
  XmlNode root = Load(L"<Item Order=\"3\" Empty=\"\" Word=\"a &amp; b\"><Location>C:\\x</Location></Item>");
  EXPECT_EQ(root.Name(), L"Item");
  EXPECT_EQ(root.AttributeCount(), 3);
  std::wstring value = L"stale";
  EXPECT_TRUE(root.Attribute(L"Order", value));
  EXPECT_EQ(value, L"3");
  EXPECT_TRUE(root.Attribute(L"Empty", value));
  EXPECT_EQ(value, L"");
  EXPECT_TRUE(root.Attribute(L"Word", value));
  EXPECT_EQ(value, L"a & b");
  value = L"stale";
  EXPECT_FALSE(root.Attribute(L"order", value));  // names are case-sensitive
  EXPECT_EQ(value, L"");

  XmlNode location;
  ASSERT_EQ(root.SelectSingle(L"Location", location), XmlQuery::Found);
  EXPECT_TRUE(location.Text(value));
  EXPECT_EQ(value, L"C:\\x");
  EXPECT_EQ(location.AttributeCount(), 0);
  EXPECT_EQ(XmlNode().AttributeCount(), 0);
  EXPECT_EQ(XmlNode().Name(), L"");
}

TEST_F(XmlTest, RemovedNodeStaysAwayAfterSaveAndReload) {
  XmlNode root = Load(L"<r><keep/><drop id=\"1\"/><keep/></r>");
  XmlNode drop;
  ASSERT_EQ(root.SelectSingle(L"drop", drop), XmlQuery::Found);
  EXPECT_TRUE(drop.Remove());

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = text::Format(L"%sxml_save_%u.xml", temp, GetCurrentProcessId());
  ASSERT_TRUE(doc.Save(path));

  XmlDocument reloaded;
  HRESULT status = S_OK;
  ASSERT_TRUE(reloaded.Create(status));
  EXPECT_TRUE(reloaded.Load(path, &status)) << text::ToUtf8(reloaded.ErrorReason());
  DeleteFileW(path.c_str());
  std::vector<XmlNode> nodes;
  EXPECT_EQ(reloaded.SelectAll(L"/r/drop", nodes), XmlQuery::NoMatch);
  EXPECT_EQ(reloaded.SelectAll(L"/r/keep", nodes), XmlQuery::Found);
  EXPECT_EQ(nodes.size(), 2u);
}

TEST_F(XmlTest, DocumentTypeDeclarationIsRefusedBeforeParsing) {
  EXPECT_FALSE(doc.LoadText(L"<!-- c -->\n\n<!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>"));
  EXPECT_FALSE(doc.ErrorReason().empty());
  EXPECT_EQ(doc.ErrorLine(), 3);
  EXPECT_FALSE(doc.Root());

  // UTF-16 from a file, the declaration on line 2.
  std::wstring xml = L"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!DOCTYPE r><r/>";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = text::Format(L"%sxml_doctype_%u.xml", temp, GetCurrentProcessId());
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, xml.data(), static_cast<DWORD>(xml.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  HRESULT status = E_FAIL;
  EXPECT_FALSE(doc.Load(path, &status));
  DeleteFileW(path.c_str());
  EXPECT_EQ(status, S_FALSE);  // a refusal, not a loader error
  EXPECT_EQ(doc.ErrorLine(), 2);

  // The word alone is no declaration.
  EXPECT_TRUE(doc.LoadText(L"<r a=\"DOCTYPE\">&lt;!DOCTYPE r&gt;</r>"));
}

TEST_F(XmlTest, QuotedValuesSelectTheRightElement) {
  XmlNode root = Load(
      L"<r><P N='a\"b' id='dq'/><P N=\"it's\" id='sq'/><P N='ab' id='plain'/><P N='a' id='a'/></r>");
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"a\"b", L"dq"}, {L"it's", L"sq"}, {L"ab", L"plain"}, {L"a", L"a"}};
  for (const auto& [value, id] : cases) {
    std::wstring query = QueryWithValue(L"P[@N=%s]", value, log);
    XmlNode found;
    ASSERT_EQ(root.SelectSingle(query, found), XmlQuery::Found) << text::ToUtf8(query);
    std::wstring got;
    found.Attribute(L"id", got);
    EXPECT_EQ(got, id) << text::ToUtf8(query);
  }
  EXPECT_TRUE(log.lines.empty());

  // Both kinds of quote cannot be written as one literal: no query at all, and a line says why.
  std::wstring both = L"a\"b'c";
  std::wstring literal = L"untouched";
  EXPECT_FALSE(XPathLiteral(both, literal));
  EXPECT_EQ(QueryWithValue(L"P[@N=%s]", both, log), L"");
  EXPECT_EQ(log.lines.size(), 1u);
  EXPECT_TRUE(log.HasContaining(both));
}

TEST_F(XmlTest, AttributeReaderSubstitutesAndReadsMissingAsEmpty) {
  properties.Set(L"[X]", L"expanded");
  XmlNode root = Load(L"<e A=\"pre [X] post\" Plain=\"text\" Unset=\"[NOTSET]\" Escaped=\"[[X]]\" Empty=\"\"/>");
  AttributeReader reader(root, values);
  EXPECT_EQ(reader.Count(), 5);
  EXPECT_EQ(reader.Get(L"A"), L"pre expanded post");
  EXPECT_EQ(reader.Get(L"Plain"), L"text");
  EXPECT_EQ(reader.Get(L"Unset"), L"[NOTSET]");
  EXPECT_EQ(reader.Get(L"Escaped"), L"[X]");
  EXPECT_EQ(reader.Get(L"Empty"), L"");
  EXPECT_EQ(reader.Get(L"Missing"), L"");
  EXPECT_EQ(AttributeReader(XmlNode(), values).Get(L"A"), L"");
}

TEST_F(XmlTest, ElementTextReaderSubstitutesUnlessRaw) {
  properties.Set(L"[X]", L"C:\\Setup\\");
  XmlNode root = Load(L"<PackageFile><Location>[X]\\Packages\\Main.msi</Location><Empty/></PackageFile>");
  ElementTextReader reader(root, values);
  std::wstring out = L"stale";
  EXPECT_TRUE(reader.GetText(L"Location", out));
  EXPECT_EQ(out, L"C:\\Setup\\Packages\\Main.msi");
  EXPECT_TRUE(reader.GetText(L"Location", out, true));
  EXPECT_EQ(out, L"[X]\\Packages\\Main.msi");
  out = L"stale";
  EXPECT_TRUE(reader.GetText(L"Empty", out));
  EXPECT_EQ(out, L"");
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(XmlTest, ElementTextReaderLogsWhatItCouldNotRead) {
  XmlNode root = Load(L"<PackageFile><Location>x</Location></PackageFile>");
  ElementTextReader reader(root, values);
  std::wstring out = L"stale";
  EXPECT_FALSE(reader.GetText(L"Missing", out));
  EXPECT_EQ(out, L"");
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], L"Error 1 getting Missing text");

  out = L"stale";
  EXPECT_FALSE(reader.GetText(L"Location[", out));
  EXPECT_EQ(out, L"");
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_NE(log.lines[1], L"Error 1 getting Location[ text");
  EXPECT_TRUE(log.lines[1].starts_with(L"Error ")) << text::ToUtf8(log.lines[1]);
  EXPECT_TRUE(log.lines[1].ends_with(L" getting Location[ text")) << text::ToUtf8(log.lines[1]);
}

struct WalkCase {
  const char* name;
  std::wstring xml;
  std::wstring pattern;
  int stopAfter;                  // the visitor answers false on this visit; 0 never
  std::vector<std::wstring> ids;  // the "id" attributes visited, in order
};

class NumberedChildren : public XmlTest, public testing::WithParamInterface<WalkCase> {};

TEST_P(NumberedChildren, VisitsInNumberOrderUpToTheFirstGap) {
  const WalkCase& c = GetParam();
  XmlNode root = Load(c.xml);
  std::vector<std::wstring> ids;
  std::vector<int> numbers;
  ForEachNumberedChild(root, c.pattern, [&](int number, const XmlNode& child) {
    std::wstring id;
    child.Attribute(L"id", id);
    ids.push_back(id);
    numbers.push_back(number);
    return static_cast<int>(ids.size()) != c.stopAfter;
  });
  EXPECT_EQ(ids, c.ids);
  for (size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<int>(i + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Walk, NumberedChildren,
    testing::Values(
        WalkCase{"GapEndsTheWalk",
                 L"<g><c Order='4' id='four'/><c Order='2' id='two'/><c Order='1' id='one'/></g>",
                 L"*[@Order=\"%d\"]", 0, {L"one", L"two"}},
        WalkCase{"DuplicateTakesTheFirst",
                 L"<g><c Order='1' id='first'/><c Order='1' id='second'/><c Order='2' id='two'/></g>",
                 L"*[@Order=\"%d\"]", 0, {L"first", L"two"}},
        WalkCase{"UnorderedNeverVisited", L"<g><c id='none'/><c Order='1' id='one'/><c Order='' id='empty'/></g>",
                 L"*[@Order=\"%d\"]", 0, {L"one"}},
        WalkCase{"NothingNumbered", L"<g><c id='none'/></g>", L"*[@Order=\"%d\"]", 0, {}},
        WalkCase{"ChildElementPredicate",
                 L"<g><PackageFile id='b'><InstallOrder>2</InstallOrder></PackageFile>"
                 L"<Other id='x'><InstallOrder>1</InstallOrder></Other>"
                 L"<PackageFile id='a'><InstallOrder>1</InstallOrder><UninstallOrder>2</UninstallOrder></PackageFile>"
                 L"</g>",
                 L"PackageFile[InstallOrder=\"%d\"]", 0, {L"a", L"b"}},
        WalkCase{"VisitorStops",
                 L"<g><c Order='1' id='one'/><c Order='2' id='two'/><c Order='3' id='three'/></g>",
                 L"*[@Order=\"%d\"]", 2, {L"one", L"two"}},
        // The number is compared as the exact text: blanks, signs and leading zeros do not count.
        WalkCase{"OnlyTheExactNumberCounts",
                 L"<g><c id='blank'><Order> 1 </Order></c><c id='zero'><Order>01</Order></c>"
                 L"<c id='plus'><Order>+1</Order></c><c id='one'><Order>1</Order></c>"
                 L"<c id='two'><Order>2 </Order></c></g>",
                 L"*[Order=\"%d\"]", 0, {L"one"}},
        WalkCase{"OnlyTheExactAttributeCounts",
                 L"<g><c Order=' 1' id='blank'/><c Order='1' id='one'/><c Order='02' id='zero'/></g>",
                 L"*[@Order=\"%d\"]", 0, {L"one"}},
        WalkCase{"OutOfRangeNumbersNeverMatch",
                 L"<g><c Order='4294967297' id='wraps'/><c Order='0' id='zero'/><c Order='-1' id='minus'/>"
                 L"<c Order='99999999999999999999' id='huge'/></g>",
                 L"*[@Order=\"%d\"]", 0, {}},
        WalkCase{"DuplicateAfterAHigherNumber",
                 L"<g><c Order='2' id='twoA'/><c Order='1' id='one'/><c Order='2' id='twoB'/>"
                 L"<c Order='3' id='three'/></g>",
                 L"*[@Order=\"%d\"]", 0, {L"one", L"twoA", L"three"}},
        WalkCase{"OtherNodesBetween",
                 L"<g>text<!-- note --><c id='no'/><Other id='x' Order='1'/><?pi 1?>"
                 L"<c id='one' Order='1'/>more<c id='two' Order='2'><Order>3</Order></c></g>",
                 L"c[@Order=\"%d\"]", 0, {L"one", L"two"}},
        // The number is the text of a child element of that name, not of a deeper one.
        WalkCase{"OrderElementText",
                 L"<g><c id='deep'><x><Order>1</Order></x></c><c id='attr' Order='1'/>"
                 L"<c id='nested'><Order><b>1</b></Order></c><c id='cdata'><Order><![CDATA[2]]></Order></c></g>",
                 L"*[Order=\"%d\"]", 0, {L"nested", L"cdata"}},
        // A pattern of another shape is asked number by number.
        WalkCase{"PatternWithTwoPredicates",
                 L"<g><c on='0' Order='1' id='off'/><c on='1' Order='2' id='two'/><c on='1' Order='1' id='one'/></g>",
                 L"c[@on='1'][@Order=\"%d\"]", 0, {L"one", L"two"}},
        // An element holding two numbers is visited for each of them.
        WalkCase{"TwoNumbersOnOneElement",
                 L"<g><c id='both'><Order>2</Order><Order>1</Order></c><c id='one'><Order>1</Order></c></g>",
                 L"*[Order=\"%d\"]", 0, {L"both", L"both"}}),
    [](const testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

}  // namespace
