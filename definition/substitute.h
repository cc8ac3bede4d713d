// Expansion of run-time references inside definition values.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "definition/read_context.h"

class PropertyMap;

// Fetches a culture text by number; false when there is none.
using CultureTextSource = std::function<bool(int number, std::wstring& text)>;

// Expands, in place: "[[Name]]" escapes (the value loses its outer characters and nothing else
// happens), "[123]" culture numbers (the whole value becomes the text), "[Name]" properties and
// "%Name%" environment variables. Property and environment values are inserted once, verbatim:
// references inside them are not expanded.
void Substitute(std::wstring& value, const PropertyMap& properties, const CultureTextSource& culture);

// The form the XML readers use: the run's properties and its culture library, when loaded.
void Substitute(std::wstring& value, const ReadContext& context);

// One reference that Substitute would act on, with its place in the value.
struct SubstitutionToken {
  enum class Kind { Escape, CultureNumber, Property, Environment } kind;
  size_t position;
  size_t length;
};
// The references of value in the order Substitute handles them: an escape alone when there is
// one (nothing else is expanded then), else culture numbers, properties and environment names.
// Property and environment positions are those of the value as written.
std::vector<SubstitutionToken> SubstitutionTokens(const std::wstring& value);

// Chooses "VariablesList_<key>.xml" or "VariablesList.xml" inside setupDirectory (with its backslash).
std::wstring ChooseVariablesList(const std::wstring& setupDirectory);
