// The update service's JSON (the update list and a product's package manifest) as a Boost
// property tree whose keys match without regard to letter case. Read with Boost's JSON parser
// straight from the text in memory and written compactly, neither through C++ streams, whose
// library code (with the whole locale) would otherwise be linked into the installer.
#pragma once

#include <cstddef>
#include <string>

#include <boost/property_tree/ptree.hpp>

// Keys compare by their code units made upper case one by one (towupper), so "scx" finds "SCX".
struct JsonKeyLess {
  bool operator()(const std::wstring& left, const std::wstring& right) const;
};
using JsonTree = boost::property_tree::basic_ptree<std::wstring, std::wstring, JsonKeyLess>;

// The text ends at its first code unit equal to WEOF (U+FFFF on Windows): that unit and what
// follows it are never read, neither as JSON nor as a number.
size_t JsonTextLength(const std::wstring& text);

// Reads JSON text (an object, an array or a single value) into tree: objects and arrays become
// children (array items under empty keys), every value its text ("true", "null", "12.5" as
// written). False, with tree unchanged, when the text is not JSON. The parser descends once
// per level of nesting: text from outside must be checked for its depth first.
bool ReadJsonTree(const std::wstring& text, JsonTree& tree);

// The tree as JSON without any spaces or line breaks: every value a string, characters outside
// printable ASCII and Latin-1 (and "/") escaped. False for a tree that JSON cannot hold: data
// at the root, or a node with both data and children.
bool WriteJsonTree(const JsonTree& tree, std::wstring& text);
