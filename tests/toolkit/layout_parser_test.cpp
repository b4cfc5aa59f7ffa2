#include "toolkit/layout_parser.h"

#include <gtest/gtest.h>

namespace {

const char kLayout[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Window size="600,380" caption="0,0,0,40" roundcorner="2,2">
  <Font name="微软雅黑" size="16" bold="false" italic="false" />
  <Font name="微软雅黑" size="12" bold="true" italic="false" />
  <!-- the whole window -->
  <VerticalLayout name="vlayout_wrap" width="600" height="380" bkimage="bg_install.png">
    <Label name="lblAgree" text="已阅读并同意" float="true" pos="248,329,0,0" width="78" height="24" font="1" textcolor="#00666666" disabledtextcolor="#FFA7A6AA" />
    <Button name="btnProtocol" text="许可协议" tooltip="用户许可协议" float="true" pos="319,329,0,0" width="60" height="24" font="1" textcolor="#000268CD" align="center" showhtml="true" />
    <Option name="chkAgree" float="true" pos="224,333,0,0" width="16" height="16" normalimage="chk_uncheck.png" selectedimage="chk_check.png" />
    <Label name="lblUpdate" visible="false" bkcolor="#FF3FA1FA" float="true" pos="1,2,0,0" width="3" height="4" />
    <VerticalLayout name="vlayout_top" width="600" height="40" />
  </VerticalLayout>
</Window>
)";

LayoutDocument Parse(const std::string& xml) {
  LayoutDocument document;
  std::string error;
  EXPECT_TRUE(ParseLayout(xml, document, error)) << error;
  return document;
}

std::string ParseError(const std::string& xml) {
  LayoutDocument document;
  std::string error;
  EXPECT_FALSE(ParseLayout(xml, document, error)) << "accepted: " << xml;
  return error;
}

std::string Window(const std::string& inner) {
  return "<Window size=\"100,50\"><VerticalLayout>" + inner + "</VerticalLayout></Window>";
}

}  // namespace

TEST(LayoutParser, ReadsTheWindowElement) {
  const LayoutDocument document = Parse(kLayout);
  EXPECT_EQ(document.size, (LayoutSize{600, 380}));
  EXPECT_EQ(document.caption, (LayoutRect{0, 0, 0, 40}));
  EXPECT_EQ(document.roundCorner, (LayoutSize{2, 2}));
}

TEST(LayoutParser, FontTableKeepsItsOrder) {
  const LayoutDocument document = Parse(kLayout);
  ASSERT_EQ(document.fonts.size(), 2u);
  EXPECT_EQ(document.fonts[0].name, L"微软雅黑");
  EXPECT_EQ(document.fonts[0].size, 16);
  EXPECT_FALSE(document.fonts[0].bold);
  EXPECT_EQ(document.fonts[1].size, 12);
  EXPECT_TRUE(document.fonts[1].bold);
  EXPECT_FALSE(document.fonts[1].italic);
}

TEST(LayoutParser, ReadsControlsInDocumentOrder) {
  const LayoutDocument document = Parse(kLayout);
  const LayoutControl& root = document.root;
  EXPECT_EQ(root.type, LayoutControlType::kVerticalLayout);
  EXPECT_EQ(root.name, L"vlayout_wrap");
  EXPECT_EQ(root.width, 600);
  EXPECT_EQ(root.bkImage, "bg_install.png");
  ASSERT_EQ(root.children.size(), 5u);
  EXPECT_EQ(root.children[0].type, LayoutControlType::kLabel);
  EXPECT_EQ(root.children[1].type, LayoutControlType::kButton);
  EXPECT_EQ(root.children[2].type, LayoutControlType::kOption);
  EXPECT_EQ(root.children[4].type, LayoutControlType::kVerticalLayout);
}

TEST(LayoutParser, LabelAttributes) {
  const LayoutDocument document = Parse(kLayout);
  const LayoutControl& label = document.root.children[0];
  EXPECT_EQ(label.name, L"lblAgree");
  EXPECT_EQ(label.text, L"已阅读并同意");
  EXPECT_TRUE(label.isFloat);
  EXPECT_EQ(label.pos, (LayoutRect{248, 329, 0, 0}));
  EXPECT_EQ(label.width, 78);
  EXPECT_EQ(label.height, 24);
  EXPECT_EQ(label.font, 1);
  ASSERT_TRUE(label.textColor.has_value());
  EXPECT_EQ(*label.textColor, 0x00666666u);
  ASSERT_TRUE(label.disabledTextColor.has_value());
  EXPECT_EQ(*label.disabledTextColor, 0xFFA7A6AAu);
  EXPECT_FALSE(label.alignCenter);
  EXPECT_TRUE(label.visible);
  EXPECT_FALSE(label.bkColor.has_value());
}

TEST(LayoutParser, ButtonAndOptionAttributes) {
  const LayoutDocument document = Parse(kLayout);
  const LayoutControl& button = document.root.children[1];
  EXPECT_EQ(button.tooltip, L"用户许可协议");
  EXPECT_TRUE(button.alignCenter);
  EXPECT_TRUE(button.alignGiven);
  EXPECT_TRUE(button.showHtml);
  const LayoutControl& option = document.root.children[2];
  EXPECT_EQ(option.normalImage, "chk_uncheck.png");
  EXPECT_EQ(option.selectedImage, "chk_check.png");
  EXPECT_EQ(option.font, -1) << "no font attribute: the default font";
}

TEST(LayoutParser, HiddenControlAndBackgroundColourWithAlpha) {
  const LayoutDocument document = Parse(kLayout);
  const LayoutControl& label = document.root.children[3];
  EXPECT_FALSE(label.visible);
  ASSERT_TRUE(label.bkColor.has_value());
  EXPECT_EQ(*label.bkColor, 0xFF3FA1FAu);
}

TEST(LayoutParser, MalformedXmlIsRefused) {
  EXPECT_NE(ParseError("<Window size=\"1,1\"><VerticalLayout></Window>").find("XML"), std::string::npos);
  ParseError("");
  ParseError("not xml at all");
}

TEST(LayoutParser, DocumentMustBeOneWindow) {
  ParseError("<Dialog size=\"1,1\"><VerticalLayout/></Dialog>");
  ParseError("<Window size=\"1,1\"><VerticalLayout/></Window><Window size=\"1,1\"><VerticalLayout/></Window>");
  ParseError("<Window size=\"1,1\"/>");
  ParseError("<Window><VerticalLayout/></Window>");
  ParseError("<Window size=\"0,10\"><VerticalLayout/></Window>");
  ParseError("<Window size=\"1,1\"><VerticalLayout/><VerticalLayout/></Window>");
}

TEST(LayoutParser, UnknownElementsAndAttributesAreRefused) {
  EXPECT_NE(ParseError(Window("<Edit name=\"x\"/>")).find("Edit"), std::string::npos);
  EXPECT_NE(ParseError(Window("<Label colour=\"#FF000000\"/>")).find("colour"), std::string::npos);
  ParseError(Window("<Label selectedimage=\"a.png\"/>"));
  ParseError(Window("<Button selectedimage=\"a.png\"/>"));
  ParseError(Window("<Label><Label/></Label>"));
  ParseError("<Window size=\"1,1\" title=\"x\"><VerticalLayout/></Window>");
}

TEST(LayoutParser, BadValuesAreRefused) {
  ParseError(Window("<Label textcolor=\"#666666\"/>"));
  ParseError(Window("<Label pos=\"1,2\"/>"));
  ParseError(Window("<Label float=\"yes\"/>"));
  ParseError(Window("<Label visible=\"0\"/>"));
  ParseError(Window("<Label align=\"right\"/>"));
  ParseError(Window("<Label width=\"-3\"/>"));
  ParseError("<Window size=\"1,1\"><Font name=\"a\"/><VerticalLayout/></Window>");
  ParseError("<Window size=\"1,1\"><Font name=\"a\" size=\"0\"/><VerticalLayout/></Window>");
}

TEST(LayoutParser, FontIndexMustBeInTheTable) {
  EXPECT_NE(ParseError(Window("<Label font=\"0\"/>")).find("font 0"), std::string::npos);
  Parse("<Window size=\"1,1\"><Font name=\"a\" size=\"9\"/><VerticalLayout><Label font=\"0\"/></VerticalLayout></Window>");
}

TEST(LayoutParser, DeepNestingIsRefusedBeforeParsing) {
  std::string xml = "<Window size=\"1,1\">";
  for (int i = 0; i < 50000; ++i) xml += "<VerticalLayout>";
  EXPECT_EQ(ParseError(xml), "elements nested too deeply");
  // Quoted "/>" does not hide the nesting.
  std::string quoted = "<Window size=\"1,1\">";
  for (int i = 0; i < 1000; ++i) quoted += "<VerticalLayout name=\"/>\">";
  EXPECT_EQ(ParseError(quoted), "elements nested too deeply");
}

TEST(LayoutParser, NestingWithinTheLimitIsRead) {
  std::string xml = "<Window size=\"1,1\">";
  for (int i = 0; i < kLayoutMaxDepth; ++i) xml += "<VerticalLayout>";
  for (int i = 0; i < kLayoutMaxDepth; ++i) xml += "</VerticalLayout>";
  xml += "</Window>";
  Parse(xml);
}

TEST(LayoutParser, NulBytesAndHugeFilesAreRefused) {
  ParseError(std::string("<Window size=\"1,1\">\0<VerticalLayout/></Window>", 45));
  ParseError(std::string(kLayoutMaxBytes + 1, ' '));
}

TEST(LayoutParser, CharacterReferencesBecomeText) {
  const LayoutDocument document = Parse(Window("<Label text=\"&#x4E2D;&amp;\"/>"));
  EXPECT_EQ(document.root.children[0].text, L"中&");
}
