#include "net/json_tree.h"

#include <cwctype>
#include <iterator>

#include <boost/property_tree/json_parser/detail/parser.hpp>
#include <boost/property_tree/json_parser/detail/read.hpp>
#include <boost/property_tree/json_parser/detail/standard_callbacks.hpp>
#include <boost/property_tree/json_parser/detail/wide_encoding.hpp>
#include <boost/property_tree/json_parser/detail/write.hpp>

namespace pt = boost::property_tree;
namespace json = boost::property_tree::json_parser;

// Boost's wide JSON encoding under a name of this file, so that the parser's input can be
// replaced for it below.
struct JsonTextEncoding : json::detail::wide_wide_encoding {};

namespace boost::property_tree::json_parser::detail {

// The parser's input for JSON text in memory. Boost's own input reports a syntax error as a
// json_parser_error, whose message is put together in a string stream; this one throws a
// plain ptree_error and keeps no line count. Otherwise it does what Boost's does.
template <typename Iterator, typename Sentinel>
class source<JsonTextEncoding, Iterator, Sentinel> {
 public:
  typedef typename std::iterator_traits<Iterator>::value_type code_unit;
  typedef bool (JsonTextEncoding::*encoding_predicate)(code_unit c) const;

  explicit source(JsonTextEncoding& encoding) : m_encoding(encoding) {}

  template <typename Range>
  void set_input(const std::string&, const Range& range) {
    m_cur = range.begin();
    m_end = range.end();
    m_encoding.skip_introduction(m_cur, m_end);
  }

  bool done() const { return m_cur == m_end; }
  void parse_error(const char* message) { throw ptree_error(message); }
  void next() { ++m_cur; }

  template <typename Action>
  bool have(encoding_predicate predicate, Action& action) {
    const bool found = m_cur != m_end && (m_encoding.*predicate)(*m_cur);
    if (found) {
      action(*m_cur);
      next();
    }
    return found;
  }
  bool have(encoding_predicate predicate) {
    DoNothing nothing;
    return have(predicate, nothing);
  }

  template <typename Action>
  void expect(encoding_predicate predicate, const char* message, Action& action) {
    if (!have(predicate, action)) parse_error(message);
  }
  void expect(encoding_predicate predicate, const char* message) {
    DoNothing nothing;
    expect(predicate, message, nothing);
  }

  code_unit need_cur(const char* message) {
    if (m_cur == m_end) parse_error(message);
    return *m_cur;
  }

  Iterator& raw_cur() { return m_cur; }
  Sentinel raw_end() { return m_end; }

 private:
  struct DoNothing {
    void operator()(code_unit) const {}
  };

  JsonTextEncoding& m_encoding;
  Iterator m_cur;
  Sentinel m_end;
};

}  // namespace boost::property_tree::json_parser::detail

namespace {

void AppendJson(const JsonTree& node, int depth, std::wstring& text) {
  if (depth > 0 && node.empty()) {
    text += L'"';
    text += json::create_escapes(node.data());
    text += L'"';
    return;
  }
  // Below the root, a node whose children all have empty keys is an array.
  const bool isArray = depth > 0 && node.count(std::wstring()) == node.size();
  text += isArray ? L'[' : L'{';
  bool first = true;
  for (const auto& child : node) {
    if (!first) text += L',';
    first = false;
    if (!isArray) {
      text += L'"';
      text += json::create_escapes(child.first);
      text += L"\":";
    }
    AppendJson(child.second, depth + 1, text);
  }
  text += isArray ? L']' : L'}';
}

bool HoldsOnlyJson(const JsonTree& node, int depth) {
  if (!node.data().empty() && (depth == 0 || !node.empty())) return false;
  for (const auto& child : node) {
    if (!HoldsOnlyJson(child.second, depth + 1)) return false;
  }
  return true;
}

}  // namespace

bool JsonKeyLess::operator()(const std::wstring& left, const std::wstring& right) const {
  const size_t common = left.size() < right.size() ? left.size() : right.size();
  for (size_t i = 0; i < common; ++i) {
    const wint_t l = std::towupper(static_cast<wint_t>(left[i]));
    const wint_t r = std::towupper(static_cast<wint_t>(right[i]));
    if (l != r) return l < r;
  }
  return left.size() < right.size();
}

size_t JsonTextLength(const std::wstring& text) {
  typedef std::char_traits<wchar_t> Traits;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Traits::eq_int_type(Traits::to_int_type(text[i]), Traits::eof())) return i;
  }
  return text.size();
}

bool ReadJsonTree(const std::wstring& text, JsonTree& tree) {
  json::detail::standard_callbacks<JsonTree> callbacks;
  JsonTextEncoding encoding;
  const wchar_t* const begin = text.data();
  try {
    json::detail::read_json_internal(begin, begin + JsonTextLength(text), encoding, callbacks, std::string());
  } catch (const pt::ptree_error&) {
    return false;
  }
  tree.swap(callbacks.output());
  return true;
}

bool WriteJsonTree(const JsonTree& tree, std::wstring& text) {
  if (!HoldsOnlyJson(tree, 0)) return false;
  text.clear();
  AppendJson(tree, 0, text);
  return true;
}
