// XML text to and from a Boost property tree (window layouts, config.xml). The text is parsed
// in memory by the rapidxml parser that comes with Boost and written in the layout of Boost's
// own XML writer; neither goes through C++ streams, whose library code (with the whole locale)
// would otherwise be linked into the installer.
#pragma once

#include <string>

#include <boost/property_tree/detail/xml_parser_flags.hpp>
#include <boost/property_tree/detail/xml_parser_writer_settings.hpp>
#include <boost/property_tree/ptree.hpp>

// Where a text stops being XML: the parser's reason ("expected >") and the line of that
// place, counted from 1.
struct XmlTextError {
  std::string message;
  unsigned long line = 0;
};

// Reads the elements of text into tree as boost::property_tree::read_xml does: attributes
// under "<xmlattr>", comments as "<xmlcomment>" children unless flags hold no_comments, text
// as the element's data (collapsed and trimmed with trim_whitespace). A NUL byte ends the
// text. False, with tree unchanged, when the text is not well-formed.
bool ReadXmlTree(const std::string& text, int flags, boost::property_tree::ptree& tree, XmlTextError& error);

// The tree as XML text, byte for byte as boost::property_tree::write_xml writes it: the
// declaration naming settings.encoding, then the elements, "\n" after each line and
// settings.indent_count settings.indent_char per level (no line breaks when that is 0).
std::string XmlTreeText(const boost::property_tree::ptree& tree,
                        const boost::property_tree::xml_parser::xml_writer_settings<std::string>& settings);
