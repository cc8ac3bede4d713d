// Expansion of run-time references inside definition values.
#pragma once

#include <functional>
#include <string>

class PropertyMap;

// Fetches a culture text by number; false when there is none.
using CultureTextSource = std::function<bool(int number, std::wstring& text)>;

// Expands, in place: "[[Name]]" escapes (the value loses its outer characters and nothing else
// happens), "[123]" culture numbers (the whole value becomes the text), "[Name]" properties and
// "%Name%" environment variables.
void Substitute(std::wstring& value, const PropertyMap& properties, const CultureTextSource& culture);

// The process-wide form used by the XML readers: the process's map and culture library.
void Substitute(std::wstring& value);

// Chooses "VariablesList_<key>.xml" or "VariablesList.xml" inside setupDirectory (with its backslash).
std::wstring ChooseVariablesList(const std::wstring& setupDirectory);
