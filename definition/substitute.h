// Expansion of run-time references inside definition values.
#pragma once

#include <functional>
#include <string>

#include "definition/read_context.h"

class PropertyMap;

// Fetches a culture text by number; false when there is none.
using CultureTextSource = std::function<bool(int number, std::wstring& text)>;

// Expands, in place: "[[Name]]" escapes (the value loses its outer characters and nothing else
// happens), "[123]" culture numbers (the whole value becomes the text), "[Name]" properties and
// "%Name%" environment variables.
void Substitute(std::wstring& value, const PropertyMap& properties, const CultureTextSource& culture);

// The form the XML readers use: the run's properties and its culture library, when loaded.
void Substitute(std::wstring& value, const ReadContext& context);

// Chooses "VariablesList_<key>.xml" or "VariablesList.xml" inside setupDirectory (with its backslash).
std::wstring ChooseVariablesList(const std::wstring& setupDirectory);
