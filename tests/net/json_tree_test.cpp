#include "net/json_tree.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <boost/property_tree/json_parser.hpp>

namespace pt = boost::property_tree;

namespace {

// Every key, value and child in order, so two trees compare as text.
std::wstring Describe(const JsonTree& tree) {
  std::wstring text = L"'" + tree.data() + L"'";
  if (tree.empty()) return text;
  text += L"{";
  for (const auto& child : tree) text += L"<" + child.first + L">" + Describe(child.second) + L";";
  return text + L"}";
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return narrow;
}

// Boost's stream reader and writer, which the installer does not link, as the measure.
bool ReadWithStream(const std::wstring& text, JsonTree& tree) {
  try {
    std::wistringstream stream(text);
    pt::read_json(stream, tree);
    return true;
  } catch (const pt::ptree_error&) {
    return false;
  }
}

std::wstring WriteWithStream(const JsonTree& tree) {
  std::wostringstream stream;
  pt::write_json(stream, tree, false);
  std::wstring text = stream.str();
  if (!text.empty() && text.back() == L'\n') text.pop_back();
  return text;
}

const std::vector<std::wstring> kJsonTexts = {
    L"{}",
    L"[]",
    L"\"text\"",
    L"12.5e-3",
    L" \t\r\n{ \"a\" : 1 , \"b\" : [ true , false , null , -0 , 7E+2 ] }\r\n",
    L"\xFEFF{\"bom\":\"first\"}",
    L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1,2,0,0\","
    L"\"DownloadUrls\":[\"http://a/x\",\"http://b/y/\"],\"Modules\":[{\"name\":\"m.dll\",\"bytes\":12}]}]}",
    L"{\"escapes\":\"\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u0041 \\u00e9 \\u4e2d \\ud83d\\ude00\"}",
    L"{\"raw\":\"中文 é ~ \x7f\"}",
    L"{\"same\":1,\"SAME\":2,\"Same\":{\"x\":[]}}",
    L"{\"\":\"empty key\",\"nested\":[[1,[2,[3]]],{\"k\":{}}]}",
    L"[{\"a\":1},\"b\",[],{}]",
};

const std::vector<std::wstring> kNotJson = {
    L"",
    L"   ",
    L"{",
    L"{\"a\":}",
    L"{\"a\" 1}",
    L"{a:1}",
    L"[1,]",
    L"[1 2]",
    L"{\"a\":1}}",
    L"{\"a\":1} x",
    L"\"unterminated",
    L"\"bad \\x escape\"",
    L"\"\\u12\"",
    L"\"\\udc00 stray low surrogate\"",
    L"\"\\ud800 high surrogate alone\"",
    L"\"control \x01 character\"",
    L"01",
    L"-",
    L"1.",
    L"1e",
    L"tru",
    L"nul",
    L"+1",
};

}  // namespace

TEST(JsonTree, KeysMatchWithoutRegardToLetterCase) {
  JsonTree tree;
  ASSERT_TRUE(ReadJsonTree(L"{\"SCX\":{\"TimeStamp\":\"42\"},\"AppName\":\"x\"}", tree));
  EXPECT_EQ(tree.get<std::wstring>(L"scx.timestamp"), L"42");
  EXPECT_EQ(tree.get<std::wstring>(L"APPNAME"), L"x");
  EXPECT_FALSE(tree.get_child_optional(L"AppNam"));
}

TEST(JsonTree, ReadsTheTreeBoostsStreamReaderReads) {
  for (const std::wstring& text : kJsonTexts) {
    JsonTree read, expected;
    ASSERT_TRUE(ReadWithStream(text, expected)) << Narrow(text);
    ASSERT_TRUE(ReadJsonTree(text, read)) << Narrow(text);
    EXPECT_EQ(Describe(read), Describe(expected)) << Narrow(text);
  }
}

TEST(JsonTree, RefusesWhatBoostsStreamReaderRefusesAndKeepsTheTree) {
  for (const std::wstring& text : kNotJson) {
    JsonTree expected;
    ASSERT_FALSE(ReadWithStream(text, expected)) << Narrow(text);
    JsonTree tree;
    tree.put(L"kept", L"yes");
    EXPECT_FALSE(ReadJsonTree(text, tree)) << Narrow(text);
    EXPECT_EQ(tree.get<std::wstring>(L"kept"), L"yes");
  }
}

// U+FFFF on Windows: a wide stream sees its end there, and the text has always been read so.
TEST(JsonTree, TextEndsAtAUnitEqualToWeof) {
  const wchar_t weof = static_cast<wchar_t>(std::char_traits<wchar_t>::eof());
  const std::wstring cutAfterTheValue = L"{\"a\":\"b\"}" + std::wstring(1, weof) + L" garbage";
  const std::wstring cutInsideTheValue = L"{\"a\":\"b" + std::wstring(1, weof) + L"\"}";
  EXPECT_EQ(JsonTextLength(cutAfterTheValue), 9u);
  JsonTree tree, expected;
  ASSERT_TRUE(ReadWithStream(cutAfterTheValue, expected));
  ASSERT_TRUE(ReadJsonTree(cutAfterTheValue, tree));
  EXPECT_EQ(Describe(tree), Describe(expected));
  EXPECT_FALSE(ReadWithStream(cutInsideTheValue, expected));
  EXPECT_FALSE(ReadJsonTree(cutInsideTheValue, tree));
}

TEST(JsonTree, WritesWhatBoostsStreamWriterWrites) {
  for (const std::wstring& text : kJsonTexts) {
    JsonTree tree;
    ASSERT_TRUE(ReadJsonTree(text, tree)) << Narrow(text);
    if (!tree.data().empty()) continue;  // a single value at the root is not written
    std::wstring written;
    ASSERT_TRUE(WriteJsonTree(tree, written)) << Narrow(text);
    EXPECT_EQ(written, WriteWithStream(tree)) << Narrow(text);
  }
  JsonTree built;
  built.put(L"control", std::wstring(L"\x01\x1f\x7f\xff\x100\xfffe"));
  built.add_child(L"list", JsonTree()).push_back({L"", JsonTree(L"item")});
  std::wstring written;
  ASSERT_TRUE(WriteJsonTree(built, written));
  EXPECT_EQ(written, WriteWithStream(built));
  EXPECT_EQ(written, L"{\"control\":\"\\u0001\\u001F\x7f\xff\\u0100\\uFFFE\",\"list\":[\"item\"]}");
}

TEST(JsonTree, TreesJsonCannotHoldAreNotWritten) {
  std::wstring text = L"untouched";
  EXPECT_FALSE(WriteJsonTree(JsonTree(L"data at the root"), text));
  JsonTree both;
  both.put(L"a", L"data");
  both.put(L"a.b", L"and a child");
  EXPECT_FALSE(WriteJsonTree(both, text));
  EXPECT_EQ(text, L"untouched");
}
