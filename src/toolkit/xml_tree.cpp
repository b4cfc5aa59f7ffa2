#include "toolkit/xml_tree.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <boost/property_tree/detail/rapidxml.hpp>
#include <boost/property_tree/detail/xml_parser_read_rapidxml.hpp>
#include <boost/property_tree/detail/xml_parser_utils.hpp>

namespace pt = boost::property_tree;
namespace rapidxml = boost::property_tree::detail::rapidxml;

namespace {

using WriterSettings = pt::xml_parser::xml_writer_settings<std::string>;

const std::string& AttributesKey() { return pt::xml_parser::xmlattr<std::string>(); }
const std::string& CommentKey() { return pt::xml_parser::xmlcomment<std::string>(); }
const std::string& TextKey() { return pt::xml_parser::xmltext<std::string>(); }

// The parser works in place on a NUL-terminated copy and throws rapidxml::parse_error.
void Parse(rapidxml::xml_document<char>& document, char* text, int flags) {
  constexpr int kTrim = rapidxml::parse_normalize_whitespace | rapidxml::parse_trim_whitespace;
  constexpr int kComments = rapidxml::parse_comment_nodes;
  const bool trim = (flags & pt::xml_parser::trim_whitespace) != 0;
  if (flags & pt::xml_parser::no_comments) {
    if (trim) {
      document.parse<kTrim>(text);
    } else {
      document.parse<0>(text);
    }
  } else if (trim) {
    document.parse<kTrim | kComments>(text);
  } else {
    document.parse<kComments>(text);
  }
}

void AppendIndent(std::string& text, int indent, const WriterSettings& settings) {
  text.append(static_cast<size_t>(indent) * settings.indent_count, settings.indent_char);
}

void AppendComment(std::string& text, const std::string& comment, int indent, bool ownLine,
                   const WriterSettings& settings) {
  if (ownLine) AppendIndent(text, indent, settings);
  text += "<!--";
  text += comment;
  text += "-->";
  if (ownLine) text += '\n';
}

void AppendText(std::string& text, const std::string& data, int indent, bool ownLine, const WriterSettings& settings) {
  if (ownLine) AppendIndent(text, indent, settings);
  text += pt::xml_parser::encode_char_entities(data);
  if (ownLine) text += '\n';
}

// indent -1 is the document itself: no tag of its own, its children at indent 0.
void AppendElement(std::string& text, const std::string& key, const pt::ptree& node, int indent,
                   const WriterSettings& settings) {
  const bool pretty = settings.indent_count > 0;
  bool hasElements = false;
  bool attributesOnly = node.data().empty();
  for (const auto& child : node) {
    if (child.first == AttributesKey()) continue;
    attributesOnly = false;
    if (child.first != TextKey()) {
      hasElements = true;
      break;
    }
  }

  if (node.data().empty() && node.empty()) {
    if (indent >= 0) {
      AppendIndent(text, indent, settings);
      text += '<' + key + "/>";
      if (pretty) text += '\n';
    }
    return;
  }

  if (indent >= 0) {
    AppendIndent(text, indent, settings);
    text += '<' + key;
    if (const auto attributes = node.get_child_optional(AttributesKey())) {
      for (const auto& attribute : *attributes) {
        text += ' ' + attribute.first + "=\"" + pt::xml_parser::encode_char_entities(attribute.second.data()) + '"';
      }
    }
    if (attributesOnly) {
      text += "/>";
      if (pretty) text += '\n';
    } else {
      text += '>';
      if (hasElements && pretty) text += '\n';
    }
  }

  if (!node.data().empty()) AppendText(text, node.data(), indent + 1, hasElements && pretty, settings);
  for (const auto& child : node) {
    if (child.first == AttributesKey()) continue;
    if (child.first == CommentKey()) {
      AppendComment(text, child.second.data(), indent + 1, pretty, settings);
    } else if (child.first == TextKey()) {
      AppendText(text, child.second.data(), indent + 1, hasElements && pretty, settings);
    } else {
      AppendElement(text, child.first, child.second, indent + 1, settings);
    }
  }

  if (indent >= 0 && !attributesOnly) {
    if (hasElements) AppendIndent(text, indent, settings);
    text += "</" + key + '>';
    if (pretty) text += '\n';
  }
}

}  // namespace

bool ReadXmlTree(const std::string& text, int flags, pt::ptree& tree, XmlTextError& error) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  // The document holds a 64 KB pool; it is not put on the stack.
  auto document = std::make_unique<rapidxml::xml_document<char>>();
  try {
    Parse(*document, buffer.data(), flags);
  } catch (const rapidxml::parse_error& failure) {
    error.message = failure.what();
    error.line = static_cast<unsigned long>(std::count(buffer.data(), failure.where<char>(), '\n') + 1);
    return false;
  }
  pt::ptree read;
  for (rapidxml::xml_node<char>* child = document->first_node(); child; child = child->next_sibling()) {
    pt::xml_parser::read_xml_node(child, read, flags);
  }
  tree.swap(read);
  return true;
}

std::string XmlTreeText(const pt::ptree& tree, const WriterSettings& settings) {
  std::string text = "<?xml version=\"1.0\" encoding=\"" + settings.encoding + "\"?>\n";
  AppendElement(text, std::string(), tree, -1, settings);
  return text;
}
