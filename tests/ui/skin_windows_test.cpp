// The six layouts of the skin, built by the toolkit in real windows: every control the
// windows use, where it is, what it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/utf8_text.h"
#include "toolkit/button_ui.h"
#include "toolkit/option_ui.h"
#include "toolkit/skin_resources.h"
#include "toolkit/skin_source.h"
#include "toolkit/skin_test_window.h"
#include "toolkit/toolkit_graphics.h"

namespace {

struct Expected {
  const wchar_t* name;
  const wchar_t* type;  // class name
  int x, y, width, height;  // client coordinates
  bool visible;
  const wchar_t* text;
  const char* image;  // background image, or a button's normal image
  int fontSize;       // 0: not checked
  bool bold;
  uint32_t textColor;  // RGB; 0xFFFFFFFF: not checked
};

constexpr uint32_t kAny = 0xFFFFFFFF;
const wchar_t* const L = L"LabelUI";
const wchar_t* const B = L"ButtonUI";
const wchar_t* const O = L"OptionUI";
const wchar_t* const V = L"VerticalLayoutUI";

struct LayoutCase {
  const wchar_t* file;
  int width, height;
  bool hasCaption;
  std::vector<Expected> controls;
};

std::vector<LayoutCase> Cases() {
  return {
      {L"InsAboutWindow.xml", 600, 380, true,
       {{L"vlayout_wrap", V, 0, 0, 600, 380, true, L"", "bg_install.png", 0, false, kAny},
        {L"lblCaption", L, 7, 2, 200, 23, true, L"", "", 12, false, 0xFFFFFF},
        {L"btnClose", B, 570, 0, 30, 30, true, L"", "btn_close_normal.png", 0, false, kAny},
        {L"btnInstall", B, 239, 283, 118, 36, true, L"", "btn_install_normal.png", 0, false, kAny},
        {L"chkAgree", O, 224, 333, 16, 16, true, L"", "chk_uncheck.png", 0, false, kAny},
        {L"lblAgree", L, 248, 329, 78, 24, true, L"已阅读并同意", "", 12, true, 0x666666},
        {L"btnProtocol", B, 319, 329, 60, 24, true, L"许可协议", "", 12, true, 0x0268CD},
        {L"lblUpdate", L, 222, 331, 150, 20, true, L"发现新版本, 请立即更新 !", "", 12, true, 0x666666},
        {L"btnvesion", B, 402, 128, 57, 30, true, L"", "btn_version.png", 16, false, 0x0E8AED}}},
      {L"InsInstallWindow.xml", 600, 380, true,
       {{L"lblIntroduce1", L, 0, 0, 600, 278, true, L"", "lbl_introduce_1.png", 0, false, kAny},
        {L"lblIntroduce2", L, 601, 0, 600, 278, true, L"", "lbl_introduce_2.png", 0, false, kAny},
        {L"lblFlipStatus1", L, 509, 335, 8, 8, true, L"", "btn_introduce_check1.png", 0, false, kAny},
        {L"lblFlipStatus2", L, 525, 335, 8, 8, true, L"", "btn_introduce_uncheck.png", 0, false, kAny},
        {L"lblFlipStatus3", L, 541, 335, 8, 8, true, L"", "btn_introduce_uncheck.png", 0, false, kAny},
        {L"lblFlipStatus4", L, 557, 335, 8, 8, true, L"", "btn_introduce_uncheck.png", 0, false, kAny},
        {L"lblProgressGray", L, 35, 318, 530, 7, true, L"", "lbl_progress_gray.png", 0, false, kAny},
        {L"lblProgressHead", L, 35, 318, 6, 7, true, L"", "lbl_progress_head1.png", 0, false, kAny},
        {L"lblProgressEnd", L, 559, 318, 6, 7, false, L"", "lbl_progress_end1.png", 0, false, kAny},
        {L"lblProgress", L, 41, 318, 1, 7, true, L"", "", 0, false, kAny},
        {L"lblTextStatus", L, 35, 333, 115, 17, true, L"正在安装Qelvo ", "", 12, false, 0x5A5A5A},
        {L"lblProgressTip", L, 143, 334, 50, 15, true, L"( 0% )", "", 12, false, 0x4B4B4B},
        {L"lblCaption", L, 9, 2, 200, 23, true, L"", "", 12, false, 0xFFFBF0}}},
      {L"InsCompleteWindow.xml", 600, 380, true,
       {{L"vlayout_wrap", V, 0, 0, 600, 380, true, L"", "bg_complete.png", 0, false, kAny},
        {L"lblStatus", L, 201, 230, 196, 24, true, L"恭喜你, 安装完成 !", "", 20, true, 0x000000},
        {L"btnExperience", B, 240, 272, 118, 36, true, L"", "btn_experience_normal.png", 0, false, kAny},
        {L"lblCaption", L, 8, 2, 200, 23, true, L"", "", 12, false, 0x666666}}},
      {L"InsErrorWindow.xml", 600, 380, true,
       {{L"vlayout_wrap", V, 0, 0, 600, 380, true, L"", "bg_error.png", 0, false, kAny},
        {L"lblCaption", L, 12, 3, 200, 23, true, L"", "", 12, false, 0x666666},
        {L"lblStatus", L, 165, 222, 267, 27, true, L"很抱歉, 在线下载失败 !", "", 20, true, 0x333333},
        {L"btnPackage", B, 239, 286, 118, 36, true, L"", "btn_package_normal.png", 0, false, kAny}}},
      {L"UniUninstallWindow.xml", 600, 380, true,
       {{L"vlayout_wrap", V, 0, 0, 600, 380, true, L"", "bg_uninstall.png", 0, false, kAny},
        {L"vlayout_top", V, 0, 0, 600, 40, true, L"", "", 0, false, kAny},
        {L"vlayout_bot", V, 0, 40, 600, 340, true, L"", "", 0, false, kAny},
        {L"lblCaption", L, 11, 3, 200, 23, true, L"", "", 12, true, 0x999999},
        {L"btnClose", B, 570, 0, 30, 30, true, L"", "btn_close_normal.png", 0, false, kAny},
        {L"btnvesion", B, 418, 95, 57, 30, true, L"", "btn_version.png", 16, false, 0x0D8DEB},
        {L"btnUninstall", B, 241, 251, 118, 36, true, L"", "btn_uninstall_normal.png", 0, false, kAny},
        {L"btnUniComplete", B, 241, 251, 118, 36, true, L"", "btn_uni_complete_normal.png", 0, false, kAny},
        {L"lblProgressBk", L, 125, 263, 350, 3, true, L"", "", 0, false, kAny},
        {L"lblProgressFo", L, 125, 263, 1, 3, true, L"", "", 0, false, kAny},
        {L"lblStatus", L, 263, 279, 71, 15, true, L"正在卸载...", "", 12, true, 0x666666},
        {L"lblStatusComplete", L, 263, 294, 77, 15, true, L"Qelvo已卸载", "", 12, true, 0x666666}}},
      {L"WaitWindow.xml", 300, 190, false,
       {{L"vlayout_wrap", V, 0, 0, 300, 190, true, L"", "bg_install.png", 0, false, kAny},
        {L"lblText", L, 75, 126, 160, 36, true, L"检测中, 请稍等...  0%", "", 12, true, 0x808080}}},
  };
}

std::vector<std::string> ImagesOf(CControlUI* control) {
  std::vector<std::string> images = {control->GetBkImage()};
  if (auto* button = dynamic_cast<CButtonUI*>(control)) {
    images.insert(images.end(), {button->GetNormalImage(), button->GetHotImage(), button->GetPushedImage(),
                                 button->GetDisabledImage()});
  }
  if (auto* option = dynamic_cast<COptionUI*>(control)) images.push_back(option->GetSelectedImage());
  return images;
}

void CheckLayout(const LayoutCase& layout) {
  SCOPED_TRACE(WideToUtf8(layout.file));
  CSkinTestWindow window(layout.file);
  ASSERT_TRUE(window.Open());
  UpdateWindow(window.GetHWND());
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }, 3000));
  RECT client;
  GetClientRect(window.GetHWND(), &client);
  EXPECT_EQ(client.right, layout.width);
  EXPECT_EQ(client.bottom, layout.height);
  const LayoutRect& caption = window.GetPaintManager().GetCaptionRect();
  EXPECT_EQ(caption.bottom, layout.hasCaption ? 40 : 0);
  EXPECT_EQ(window.GetPaintManager().GetRoundCorner(), (LayoutSize{2, 2}));

  for (const Expected& expected : layout.controls) {
    SCOPED_TRACE(WideToUtf8(expected.name));
    CControlUI* control = window.Find(expected.name);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->GetClass(), expected.type);
    const RECT& rc = control->GetPos();
    EXPECT_EQ(rc.left, expected.x);
    EXPECT_EQ(rc.top, expected.y);
    EXPECT_EQ(rc.right - rc.left, expected.width);
    EXPECT_EQ(rc.bottom - rc.top, expected.height);
    EXPECT_EQ(control->IsVisible(), expected.visible);
    EXPECT_EQ(control->GetText(), expected.text);
    if (*expected.image) {
      auto* button = dynamic_cast<CButtonUI*>(control);
      const std::string shown = (button && !button->GetNormalImage().empty()) ? button->GetNormalImage() : control->GetBkImage();
      EXPECT_EQ(shown, expected.image);
    }
    for (const std::string& image : ImagesOf(control)) {
      if (!image.empty()) {
        EXPECT_NE(CToolkitGraphics::Get().Image(image), nullptr) << image << " decodes";
      }
    }
    if (expected.fontSize) {
      const LayoutFont& font = window.GetPaintManager().GetFontInfo(control->GetFont());
      EXPECT_EQ(font.name, L"微软雅黑");
      EXPECT_EQ(font.size, expected.fontSize);
      EXPECT_EQ(font.bold, expected.bold);
      EXPECT_NE(window.GetPaintManager().GetFont(control->GetFont()), nullptr);
    }
    if (expected.textColor != kAny) {
      EXPECT_EQ(control->GetTextColor() & 0xFFFFFF, expected.textColor);
    }
  }
  DestroyWindow(window.GetHWND());
}

class SkinWindows : public ::testing::Test {
 protected:
  void SetUp() override { CSkinResources::Get().SetSource(std::make_shared<CFolderSkinSource>(TAVORA_SKIN_FOLDER)); }
};

}  // namespace

TEST_F(SkinWindows, WelcomeLayoutBuildsItsControls) { CheckLayout(Cases()[0]); }
TEST_F(SkinWindows, InstallLayoutBuildsItsControls) { CheckLayout(Cases()[1]); }
TEST_F(SkinWindows, CompleteLayoutBuildsItsControls) { CheckLayout(Cases()[2]); }
TEST_F(SkinWindows, ErrorLayoutBuildsItsControls) { CheckLayout(Cases()[3]); }
TEST_F(SkinWindows, UninstallLayoutBuildsItsControls) { CheckLayout(Cases()[4]); }
TEST_F(SkinWindows, WaitLayoutBuildsItsControls) { CheckLayout(Cases()[5]); }

TEST_F(SkinWindows, ErrorLayoutHasTheUnnamedOfflineHint) {
  CSkinTestWindow window(L"InsErrorWindow.xml");
  ASSERT_TRUE(window.Open());
  CControlUI* hint = window.GetPaintManager().FindControl(POINT{300, 260});
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->GetText(), L"请下载安装包, 进行离线安装 .");
  EXPECT_EQ(window.GetPaintManager().GetFontInfo(hint->GetFont()).size, 14);
  EXPECT_EQ(hint->GetTextColor() & 0xFFFFFF, 0x505050u);
  DestroyWindow(window.GetHWND());
}
