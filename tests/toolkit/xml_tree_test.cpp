#include "toolkit/xml_tree.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <boost/property_tree/xml_parser.hpp>

namespace pt = boost::property_tree;

namespace {

// Every key, value and child in order, so two trees compare as text.
std::string Describe(const pt::ptree& tree) {
  std::string text = "'" + tree.data() + "'";
  if (tree.empty()) return text;
  text += "{";
  for (const auto& child : tree) text += "<" + child.first + ">" + Describe(child.second) + ";";
  return text + "}";
}

// Boost's stream reader and writer, which the installer does not link, as the measure.
bool ReadWithStream(const std::string& text, int flags, pt::ptree& tree, XmlTextError& error) {
  try {
    std::istringstream stream(text);
    pt::read_xml(stream, tree, flags);
    return true;
  } catch (const pt::xml_parser_error& failure) {
    error.message = failure.message();
    error.line = failure.line();
    return false;
  }
}

const int kFlagSets[] = {0, pt::xml_parser::no_comments, pt::xml_parser::trim_whitespace,
                         pt::xml_parser::no_comments | pt::xml_parser::trim_whitespace,
                         pt::xml_parser::no_concat_text};

const std::vector<std::string> kXmlTexts = {
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<config>\r\n</config>",
    "<?xml version=\"1.0\"?>\n<config><client lang=\"zh\">keep</client><updatetime value=\"2025/12/08\"/></config>",
    "<!-- before --><a x='1' y=\"&lt;&amp;&gt;&quot;&apos;\">  some\n\t text  <b/><!-- inside -->tail &#x4e2d; "
    "&#20013;<![CDATA[ <raw> & ]]></a>",
    "<Window size=\"600,380\">\n  <Font name=\"微软雅黑\" size=\"16\"/>\n  <VerticalLayout>\n"
    "    <Label text=\"已阅读\"/>\n  </VerticalLayout>\n</Window>\n",
    "<a><b><c><d>deep</d></c></b>  mixed  <e/></a>",
    "<!DOCTYPE a><?pi here?><a/>",
    "<a/><b>two roots</b>",
    "<a>\xEF\xBB\xBF \t\r\n</a>",
    "",
    "   ",
    "<a></b>",
    "<1a/>",
    "\n\n<a>\n<b>&unknown;</b>\n</a>",
    std::string("<a>text</a>\0<after the end/>", 28),
};

const std::vector<std::string> kNotXml = {
    "<config><updatetime value=\"2026-Dec-08\"></config",
    "<a>",
    "<a x=1/>",
    "<a x=\"1\" x=\"2\"\n",
    "<a><!-- unclosed </a>",
    "<a><![CDATA[ unclosed </a>",
    "text before<a/>",
};

}  // namespace

TEST(XmlTree, ReadsTheTreeBoostsStreamReaderReads) {
  for (const std::string& text : kXmlTexts) {
    for (const int flags : kFlagSets) {
      pt::ptree read, expected;
      XmlTextError error;
      const bool expectedOk = ReadWithStream(text, flags, expected, error);
      EXPECT_EQ(ReadXmlTree(text, flags, read, error), expectedOk) << text << " flags " << flags;
      EXPECT_EQ(Describe(read), Describe(expected)) << text << " flags " << flags;
    }
  }
}

TEST(XmlTree, RefusesWhatBoostsStreamReaderRefusesWithItsReasonAndLine) {
  for (const std::string& text : kNotXml) {
    for (const int flags : kFlagSets) {
      pt::ptree tree, expected;
      tree.put("kept", "yes");
      XmlTextError error, expectedError;
      ASSERT_FALSE(ReadWithStream(text, flags, expected, expectedError)) << text;
      EXPECT_FALSE(ReadXmlTree(text, flags, tree, error)) << text;
      EXPECT_EQ(error.message, expectedError.message) << text;
      EXPECT_EQ(error.line, expectedError.line) << text;
      EXPECT_EQ(tree.get<std::string>("kept"), "yes");
    }
  }
}

TEST(XmlTree, ErrorNamesTheLineWhereTheTextStopsBeingXml) {
  pt::ptree tree;
  XmlTextError error;
  ASSERT_FALSE(ReadXmlTree("<a>\n<b>\n</a>", 0, tree, error));
  EXPECT_FALSE(error.message.empty());
  EXPECT_EQ(error.line, 3u);
}

TEST(XmlTree, WritesWhatBoostsStreamWriterWrites) {
  const pt::xml_parser::xml_writer_settings<std::string> settings[] = {
      pt::xml_parser::xml_writer_make_settings<std::string>('\t', 1, "utf-8"),
      pt::xml_parser::xml_writer_make_settings<std::string>(' ', 4, "GBK"),
      pt::xml_parser::xml_writer_make_settings<std::string>(' ', 0, "utf-8"),
  };
  for (const std::string& text : kXmlTexts) {
    for (const int flags : kFlagSets) {
      pt::ptree tree;
      XmlTextError error;
      if (!ReadXmlTree(text, flags, tree, error)) continue;
      tree.put("added.<xmlattr>.value", "2026-Dec-08");
      for (const auto& setting : settings) {
        std::ostringstream expected;
        pt::write_xml(expected, tree, setting);
        EXPECT_EQ(XmlTreeText(tree, setting), expected.str()) << text << " flags " << flags;
      }
    }
  }
}

TEST(XmlTree, WritesTheConfigurationFileLayout) {
  pt::ptree tree;
  XmlTextError error;
  ASSERT_TRUE(ReadXmlTree("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<config>\r\n</config>",
                          pt::xml_parser::trim_whitespace, tree, error));
  tree.put("config.updatetime.<xmlattr>.value", "2026-Dec-08");
  EXPECT_EQ(XmlTreeText(tree, pt::xml_parser::xml_writer_make_settings<std::string>('\t', 1, "utf-8")),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<config>\n\t<updatetime value=\"2026-Dec-08\"/>\n</config>\n");
}
