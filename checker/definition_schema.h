// What the setup reads from a product definition and its variables lists: every element with
// where it may stand, its attributes, its text children and its conditions, and the codes the
// checker reports. docs/definition.md is compared with this table by the tests.
#pragma once

#include <string>
#include <vector>

#include "definition/conditions.h"

namespace schema {

struct Element {
  const wchar_t* name;
  // The parents under which the setup reads it; empty: anywhere (found with "//").
  std::vector<const wchar_t*> parents;
  std::vector<const wchar_t*> attributes;
  std::vector<const wchar_t*> texts;     // child elements whose text is a value
  std::vector<const wchar_t*> children;  // child elements with a row of their own
  std::vector<ConditionKind> conditions;
  bool conditionPart = false;            // a list, group or item of a condition layout
};

// The elements and attributes of one condition layout.
struct Layout {
  ConditionKind kind;
  const wchar_t* list;  // empty for kinds without a list
  const wchar_t* group;
  const wchar_t* item;
};

struct Code {
  const wchar_t* code;
  bool error;
  const wchar_t* summary;
};

// A numbered walk: the group's children visited one number at a time.
struct Walk {
  const wchar_t* group;
  const wchar_t* child;  // "*" for any element
  const wchar_t* order;  // the child element (or "@attribute") holding the number
};

const std::vector<Element>& Elements();
const Element* FindElement(const std::wstring& name);
const std::vector<Layout>& Layouts();
const Layout& LayoutOf(ConditionKind kind);
const std::vector<Code>& Codes();
const Code& FindCode(const std::wstring& code);
const std::vector<Walk>& Walks();
// The texts a PrerequisiteFile's Custom element may hold.
const std::vector<const wchar_t*>& BuiltInPrerequisites();
const wchar_t* KindName(ConditionKind kind);

// One line per fact, for the comparison with docs/definition.md:
//   element NAME PARENT|anywhere, attribute ELEMENT NAME, text ELEMENT NAME,
//   conditions ELEMENT KIND, probe NAME, code CODE warning|error
std::vector<std::wstring> TableLines();

}  // namespace schema
