// The skin as the windows rely on it: every layout's controls with their exact attributes, and
// every image a layout names or a window sets at run time present at the size it is drawn at.
#include <gtest/gtest.h>

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

namespace {

const fs::path kSkinDir = TAVORA_SKIN_DIR;

using Attributes = std::map<std::string, std::string>;

struct Element {
  std::string type;
  std::string parent;  // name of the layout holding it
  Attributes attributes;
};

struct ExpectedControl {
  std::string parent;
  std::string type;
  std::string name;  // empty: the control has no name
  int x, y, width, height;
  Attributes look;  // every attribute besides name, float, pos, width and height
};

struct ExpectedLayout {
  std::string parent;  // empty: the root layout
  Attributes attributes;
};

struct Layout {
  bool parsed = false;
  std::string firstLine;
  Attributes window;
  std::vector<Attributes> fonts;
  std::vector<Element> layouts;
  std::vector<Element> controls;
};

Attributes AttributesOf(const pt::ptree& node) {
  Attributes result;
  if (auto attrs = node.get_child_optional("<xmlattr>"))
    for (const auto& a : *attrs) result[a.first] = a.second.data();
  return result;
}

void Collect(const pt::ptree& node, const std::string& parent, Layout& layout) {
  for (const auto& child : node) {
    if (child.first == "<xmlattr>" || child.first == "<xmlcomment>") continue;
    Element element{child.first, parent, AttributesOf(child.second)};
    if (child.first == "VerticalLayout") {
      layout.layouts.push_back(element);
      Collect(child.second, element.attributes["name"], layout);
    } else {
      layout.controls.push_back(element);
    }
  }
}

Layout ReadLayout(const std::string& file) {
  Layout layout;
  std::ifstream in(kSkinDir / file, std::ios::binary);
  if (!in) return layout;
  std::getline(in, layout.firstLine);
  if (!layout.firstLine.empty() && layout.firstLine.back() == '\r') layout.firstLine.pop_back();
  in.clear();
  in.seekg(0);
  pt::ptree tree;
  try {
    pt::read_xml(in, tree);
  } catch (const pt::xml_parser_error&) {
    return layout;
  }
  if (tree.size() != 1 || tree.front().first != "Window") return layout;
  const pt::ptree& window = tree.front().second;
  layout.window = AttributesOf(window);
  for (const auto& child : window) {
    if (child.first == "Font") {
      layout.fonts.push_back(AttributesOf(child.second));
    } else if (child.first == "VerticalLayout") {
      Element root{"VerticalLayout", "", AttributesOf(child.second)};
      layout.layouts.push_back(root);
      Collect(child.second, root.attributes["name"], layout);
    } else if (child.first != "<xmlattr>" && child.first != "<xmlcomment>") {
      layout.controls.push_back({child.first, "", AttributesOf(child.second)});
    }
  }
  layout.parsed = true;
  return layout;
}

Attributes Font(const std::string& size, bool bold) {
  return {{"name", "微软雅黑"}, {"size", size}, {"bold", bold ? "true" : "false"}, {"italic", "false"}};
}

Attributes Window600() { return {{"size", "600,380"}, {"caption", "0,0,0,40"}, {"roundcorner", "2,2"}}; }

Attributes FullAttributes(const ExpectedControl& c) {
  Attributes all = c.look;
  if (!c.name.empty()) all["name"] = c.name;
  all["float"] = "true";
  all["pos"] = std::to_string(c.x) + "," + std::to_string(c.y) + ",0,0";
  all["width"] = std::to_string(c.width);
  all["height"] = std::to_string(c.height);
  return all;
}

void ExpectLayout(const std::string& file, const Attributes& window, const std::vector<Attributes>& fonts,
                  const std::vector<ExpectedLayout>& layouts, const std::vector<ExpectedControl>& controls) {
  SCOPED_TRACE(file);
  Layout layout = ReadLayout(file);
  ASSERT_TRUE(layout.parsed);
  EXPECT_EQ(layout.firstLine, R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)");
  EXPECT_EQ(layout.window, window);
  EXPECT_EQ(layout.fonts, fonts);

  ASSERT_EQ(layout.layouts.size(), layouts.size());
  for (size_t i = 0; i < layouts.size(); ++i) {
    EXPECT_EQ(layout.layouts[i].parent, layouts[i].parent);
    EXPECT_EQ(layout.layouts[i].attributes, layouts[i].attributes);
  }

  // Document order is painting order: later controls are drawn over earlier ones.
  ASSERT_EQ(layout.controls.size(), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(controls[i].name.empty() ? "(no name)" : controls[i].name);
    EXPECT_EQ(layout.controls[i].type, controls[i].type);
    EXPECT_EQ(layout.controls[i].parent, controls[i].parent);
    EXPECT_EQ(layout.controls[i].attributes, FullAttributes(controls[i]));
  }
}

const char kDisabledGrey[] = "#FFA7A6AA";

// Every image of the skin with the size it is drawn at.
const std::map<std::string, std::pair<uint32_t, uint32_t>>& ImageSizes() {
  static const std::map<std::string, std::pair<uint32_t, uint32_t>> sizes = [] {
    std::map<std::string, std::pair<uint32_t, uint32_t>> s;
    for (const char* bg : {"install", "complete", "error", "uninstall"}) s[std::string("bg_") + bg + ".png"] = {600, 380};
    for (const char* state : {"normal", "hot", "pushed"}) {
      s[std::string("btn_close_") + state + ".png"] = {30, 30};
      for (const char* button : {"install", "update", "experience", "package", "uninstall", "uni_complete"})
        s[std::string("btn_") + button + "_" + state + ".png"] = {118, 36};
    }
    s["btn_install_disable.png"] = {118, 36};
    s["btn_version.png"] = {57, 30};
    s["chk_check.png"] = {16, 16};
    s["chk_uncheck.png"] = {16, 16};
    for (int i = 1; i <= 4; ++i) {
      s["lbl_introduce_" + std::to_string(i) + ".png"] = {600, 278};
      s["btn_introduce_check" + std::to_string(i) + ".png"] = {8, 8};
      s["lbl_progress_head" + std::to_string(i) + ".png"] = {6, 7};
      s["lbl_progress_end" + std::to_string(i) + ".png"] = {6, 7};
    }
    s["btn_introduce_uncheck.png"] = {8, 8};
    s["lbl_progress_gray.png"] = {530, 7};
    s["lbl_progress_tip.png"] = {50, 15};
    return s;
  }();
  return sizes;
}

const std::vector<std::string> kLayoutFiles = {"InsAboutWindow.xml",  "InsInstallWindow.xml",   "InsCompleteWindow.xml",
                                               "InsErrorWindow.xml", "UniUninstallWindow.xml", "WaitWindow.xml"};

bool IsImageAttribute(const std::string& key) {
  return key == "bkimage" || key == "normalimage" || key == "hotimage" || key == "pushedimage" ||
         key == "disabledimage" || key == "selectedimage";
}

// Width and height from the IHDR chunk, which a valid PNG carries right after its signature.
bool ReadPngSize(const fs::path& path, uint32_t& width, uint32_t& height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!std::equal(kSignature, kSignature + 8, header)) return false;
  if (std::string(reinterpret_cast<char*>(header + 12), 4) != "IHDR") return false;
  auto be32 = [&](int at) {
    return (uint32_t(header[at]) << 24) | (uint32_t(header[at + 1]) << 16) | (uint32_t(header[at + 2]) << 8) |
           uint32_t(header[at + 3]);
  };
  width = be32(16);
  height = be32(20);
  return true;
}

}  // namespace

TEST(SkinLayout, WelcomeWindowHoldsItsControls) {
  const std::string bar = "vlayout_wrap";
  ExpectLayout("InsAboutWindow.xml", Window600(), {Font("16", false), Font("12", true), Font("12", false)},
               {{"", {{"name", "vlayout_wrap"}, {"width", "600"}, {"height", "380"}, {"bkimage", "bg_install.png"}}}},
               {
                   {bar, "Label", "lblCaption", 7, 2, 200, 23,
                    {{"font", "2"}, {"textcolor", "#00FFFFFF"}, {"disabledtextcolor", kDisabledGrey}}},
                   {bar, "Button", "btnClose", 570, 0, 30, 30,
                    {{"normalimage", "btn_close_normal.png"},
                     {"hotimage", "btn_close_hot.png"},
                     {"pushedimage", "btn_close_pushed.png"}}},
                   {bar, "Button", "btnInstall", 239, 283, 118, 36,
                    {{"normalimage", "btn_install_normal.png"},
                     {"hotimage", "btn_install_hot.png"},
                     {"pushedimage", "btn_install_pushed.png"},
                     {"disabledimage", "btn_install_disable.png"}}},
                   {bar, "Option", "chkAgree", 224, 333, 16, 16,
                    {{"disabledtextcolor", kDisabledGrey},
                     {"normalimage", "chk_uncheck.png"},
                     {"selectedimage", "chk_check.png"}}},
                   {bar, "Label", "lblAgree", 248, 329, 78, 24,
                    {{"text", "已阅读并同意"},
                     {"font", "1"},
                     {"textcolor", "#00666666"},
                     {"disabledtextcolor", kDisabledGrey}}},
                   {bar, "Button", "btnProtocol", 319, 329, 60, 24,
                    {{"text", "许可协议"},
                     {"tooltip", "用户许可协议"},
                     {"showhtml", "true"},
                     {"font", "1"},
                     {"textcolor", "#000268CD"},
                     {"disabledtextcolor", kDisabledGrey},
                     {"align", "center"}}},
                   {bar, "Label", "lblUpdate", 222, 331, 150, 20,
                    {{"text", "发现新版本, 请立即更新 !"},
                     {"font", "1"},
                     {"textcolor", "#00666666"},
                     {"disabledtextcolor", kDisabledGrey},
                     {"align", "center"}}},
                   {bar, "Button", "btnvesion", 402, 128, 57, 30,
                    {{"bkimage", "btn_version.png"},
                     {"font", "0"},
                     {"textcolor", "#000E8AED"},
                     {"disabledtextcolor", kDisabledGrey},
                     {"align", "center"}}},
               });
}

TEST(SkinLayout, InstallWindowHoldsItsControls) {
  const std::string bar = "vlayout_wrap";
  ExpectLayout("InsInstallWindow.xml", Window600(), {Font("12", true), Font("12", false)},
               {{"", {{"name", "vlayout_wrap"}, {"width", "600"}, {"height", "380"}, {"bkcolor", "#FFFFFFFF"}}}},
               {
                   {bar, "Label", "lblIntroduce1", 0, 0, 600, 278, {{"bkimage", "lbl_introduce_1.png"}}},
                   {bar, "Label", "lblIntroduce2", 601, 0, 600, 278, {{"bkimage", "lbl_introduce_2.png"}}},
                   {bar, "Label", "lblFlipStatus1", 509, 335, 8, 8, {{"bkimage", "btn_introduce_check1.png"}}},
                   {bar, "Label", "lblFlipStatus2", 525, 335, 8, 8, {{"bkimage", "btn_introduce_uncheck.png"}}},
                   {bar, "Label", "lblFlipStatus3", 541, 335, 8, 8, {{"bkimage", "btn_introduce_uncheck.png"}}},
                   {bar, "Label", "lblFlipStatus4", 557, 335, 8, 8, {{"bkimage", "btn_introduce_uncheck.png"}}},
                   {bar, "Label", "lblProgressGray", 35, 318, 530, 7, {{"bkimage", "lbl_progress_gray.png"}}},
                   {bar, "Label", "lblProgressHead", 35, 318, 6, 7, {{"bkimage", "lbl_progress_head1.png"}}},
                   {bar, "Label", "lblProgressEnd", 559, 318, 6, 7,
                    {{"bkimage", "lbl_progress_end1.png"}, {"visible", "false"}}},
                   {bar, "Label", "lblProgress", 41, 318, 1, 7, {{"bkcolor", "#FF3FA1FA"}}},
                   {bar, "Label", "lblTextStatus", 35, 333, 115, 17,
                    {{"text", "正在安装Qelvo "}, {"font", "1"}, {"textcolor", "#005A5A5A"}, {"align", "center"}}},
                   {bar, "Label", "lblProgressTip", 143, 334, 50, 15,
                    {{"text", "( 0% )"}, {"font", "1"}, {"textcolor", "#004B4B4B"}, {"align", "center"}}},
                   {bar, "Label", "lblCaption", 9, 2, 200, 23, {{"font", "1"}, {"textcolor", "#00FFFBF0"}}},
               });
}

TEST(SkinLayout, CompleteWindowHoldsItsControls) {
  const std::string bar = "vlayout_wrap";
  ExpectLayout("InsCompleteWindow.xml", Window600(), {Font("20", true), Font("12", false)},
               {{"", {{"name", "vlayout_wrap"}, {"width", "600"}, {"height", "380"}, {"bkimage", "bg_complete.png"}}}},
               {
                   {bar, "Label", "lblStatus", 201, 230, 196, 24,
                    {{"text", "恭喜你, 安装完成 !"}, {"font", "0"}, {"textcolor", "#00000000"}, {"align", "center"}}},
                   {bar, "Button", "btnExperience", 240, 272, 118, 36,
                    {{"normalimage", "btn_experience_normal.png"},
                     {"hotimage", "btn_experience_hot.png"},
                     {"pushedimage", "btn_experience_pushed.png"}}},
                   {bar, "Label", "lblCaption", 8, 2, 200, 23, {{"font", "1"}, {"textcolor", "#00666666"}}},
               });
}

TEST(SkinLayout, ErrorWindowHoldsItsControls) {
  const std::string bar = "vlayout_wrap";
  ExpectLayout("InsErrorWindow.xml", Window600(), {Font("20", true), Font("12", false), Font("14", false)},
               {{"", {{"name", "vlayout_wrap"}, {"width", "600"}, {"height", "380"}, {"bkimage", "bg_error.png"}}}},
               {
                   {bar, "Label", "lblCaption", 12, 3, 200, 23, {{"font", "1"}, {"textcolor", "#00666666"}}},
                   {bar, "Label", "lblStatus", 165, 222, 267, 27,
                    {{"text", "很抱歉, 在线下载失败 !"}, {"font", "0"}, {"textcolor", "#00333333"}, {"align", "center"}}},
                   {bar, "Label", "", 196, 252, 207, 18,
                    {{"text", "请下载安装包, 进行离线安装 ."},
                     {"font", "2"},
                     {"textcolor", "#00505050"},
                     {"align", "center"}}},
                   {bar, "Button", "btnPackage", 239, 286, 118, 36,
                    {{"normalimage", "btn_package_normal.png"},
                     {"hotimage", "btn_package_hot.png"},
                     {"pushedimage", "btn_package_pushed.png"}}},
               });
}

TEST(SkinLayout, UninstallWindowHoldsItsControls) {
  const std::string top = "vlayout_top", bot = "vlayout_bot";
  ExpectLayout(
      "UniUninstallWindow.xml", Window600(), {Font("16", false), Font("12", true), Font("12", false)},
      {
          {"", {{"name", "vlayout_wrap"}, {"width", "600"}, {"height", "380"}, {"bkimage", "bg_uninstall.png"}}},
          {"vlayout_wrap", {{"name", "vlayout_top"}, {"width", "600"}, {"height", "40"}}},
          {"vlayout_wrap", {{"name", "vlayout_bot"}, {"width", "600"}, {"height", "340"}}},
      },
      {
          {top, "Label", "lblCaption", 11, 3, 200, 23, {{"font", "1"}, {"textcolor", "#00999999"}}},
          {top, "Button", "btnClose", 570, 0, 30, 30,
           {{"normalimage", "btn_close_normal.png"},
            {"hotimage", "btn_close_hot.png"},
            {"pushedimage", "btn_close_pushed.png"}}},
          {bot, "Button", "btnvesion", 418, 55, 57, 30,
           {{"bkimage", "btn_version.png"}, {"font", "0"}, {"textcolor", "#000D8DEB"}}},
          {bot, "Button", "btnUninstall", 241, 211, 118, 36,
           {{"normalimage", "btn_uninstall_normal.png"},
            {"hotimage", "btn_uninstall_hot.png"},
            {"pushedimage", "btn_uninstall_pushed.png"}}},
          {bot, "Button", "btnUniComplete", 241, 211, 118, 36,
           {{"normalimage", "btn_uni_complete_normal.png"},
            {"hotimage", "btn_uni_complete_hot.png"},
            {"pushedimage", "btn_uni_complete_pushed.png"},
            {"disabledimage", "btn_install_disable.png"}}},
          {bot, "Label", "lblProgressBk", 125, 223, 350, 3, {{"bkcolor", "#FFD9E3E9"}}},
          {bot, "Label", "lblProgressFo", 125, 223, 1, 3, {{"bkcolor", "#FF0E8AEB"}}},
          {bot, "Label", "lblStatus", 263, 239, 71, 15,
           {{"text", "正在卸载..."}, {"font", "1"}, {"textcolor", "#00666666"}, {"align", "center"}}},
          {bot, "Label", "lblStatusComplete", 263, 254, 77, 15,
           {{"text", "Qelvo已卸载"}, {"font", "1"}, {"textcolor", "#00666666"}, {"align", "center"}}},
      });
}

TEST(SkinLayout, WaitWindowHoldsItsControls) {
  ExpectLayout("WaitWindow.xml", {{"size", "300,190"}, {"roundcorner", "2,2"}}, {Font("12", true)},
               {{"", {{"name", "vlayout_wrap"}, {"width", "250"}, {"height", "120"}, {"bkimage", "bg_install.png"}}}},
               {
                   {"vlayout_wrap", "Label", "lblText", 75, 126, 160, 36,
                    {{"text", "检测中, 请稍等...  0%"}, {"font", "0"}, {"textcolor", "#00808080"}, {"align", "center"}}},
               });
}

TEST(SkinImages, EveryImageALayoutNamesExists) {
  size_t named = 0;
  for (const auto& file : kLayoutFiles) {
    Layout layout = ReadLayout(file);
    ASSERT_TRUE(layout.parsed) << file;
    std::vector<Element> all = layout.layouts;
    all.insert(all.end(), layout.controls.begin(), layout.controls.end());
    for (const auto& element : all)
      for (const auto& [key, value] : element.attributes)
        if (IsImageAttribute(key)) {
          ++named;
          EXPECT_TRUE(fs::is_regular_file(kSkinDir / value)) << file << " names " << value;
        }
  }
  EXPECT_GT(named, 30u);
}

TEST(SkinImages, EveryImageSetAtRunTimeExists) {
  std::vector<std::string> images = {"btn_update_normal.png", "btn_update_hot.png", "btn_update_pushed.png",
                                     "btn_install_disable.png", "btn_introduce_uncheck.png"};
  for (int i = 1; i <= 4; ++i) {
    images.push_back("lbl_introduce_" + std::to_string(i) + ".png");
    images.push_back("btn_introduce_check" + std::to_string(i) + ".png");
    images.push_back("lbl_progress_head" + std::to_string(i) + ".png");
    images.push_back("lbl_progress_end" + std::to_string(i) + ".png");
  }
  for (const auto& image : images) EXPECT_TRUE(fs::is_regular_file(kSkinDir / image)) << image;
}

TEST(SkinImages, FolderHoldsExactlyTheLayoutsAndImages) {
  std::set<std::string> expected(kLayoutFiles.begin(), kLayoutFiles.end());
  for (const auto& image : ImageSizes()) expected.insert(image.first);
  ASSERT_EQ(expected.size(), 54u);

  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator(kSkinDir)) found.insert(entry.path().filename().string());
  for (const auto& name : expected) EXPECT_TRUE(found.count(name)) << "missing: " << name;
  for (const auto& name : found) EXPECT_TRUE(expected.count(name)) << "not part of the skin: " << name;
  EXPECT_EQ(found.size(), 54u);
}

TEST(SkinImages, EachImageHasTheSizeItIsDrawnAt) {
  for (const auto& [image, size] : ImageSizes()) {
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(ReadPngSize(kSkinDir / image, width, height)) << image << " is not a PNG";
    EXPECT_EQ(width, size.first) << image;
    EXPECT_EQ(height, size.second) << image;
  }
}

// Images are stretched over their controls: a control's image must match the control's size, and
// a window's background must match the window, so nothing is drawn distorted.
TEST(SkinImages, ImagesMatchTheControlsThatShowThem) {
  size_t checked = 0;
  for (const auto& file : kLayoutFiles) {
    Layout layout = ReadLayout(file);
    ASSERT_TRUE(layout.parsed) << file;
    for (const auto& control : layout.controls) {
      const Attributes& a = control.attributes;
      for (const auto& [key, value] : a) {
        if (!IsImageAttribute(key)) continue;
        uint32_t width = 0, height = 0;
        ASSERT_TRUE(ReadPngSize(kSkinDir / value, width, height)) << value;
        EXPECT_EQ(std::to_string(width), a.at("width")) << file << ": " << value;
        EXPECT_EQ(std::to_string(height), a.at("height")) << file << ": " << value;
        ++checked;
      }
    }
    // The root layout is stretched over the whole client area; its background keeps the
    // window's proportions (the wait window shows the welcome background at half size).
    const Element& root = layout.layouts.front();
    auto bk = root.attributes.find("bkimage");
    if (bk == root.attributes.end()) continue;
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(ReadPngSize(kSkinDir / bk->second, width, height)) << bk->second;
    const std::string size = layout.window.at("size");
    const int windowWidth = std::stoi(size.substr(0, size.find(',')));
    const int windowHeight = std::stoi(size.substr(size.find(',') + 1));
    EXPECT_EQ(uint64_t(width) * windowHeight, uint64_t(height) * windowWidth) << file << ": " << bk->second;
    ++checked;
  }
  EXPECT_GT(checked, 30u);
}
