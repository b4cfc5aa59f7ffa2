// The skin's PNG decoder: every picture of the skin decodes to its declared size with
// premultiplied pixels, broken bytes are refused, and under Windows the pixels equal what
// Windows' own imaging components make of the same file.
#include "toolkit/png_pixels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include "toolkit/gdiplus_include.h"
#endif

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> SkinPictures() {
  std::vector<fs::path> pictures;
  for (const auto& entry : fs::directory_iterator(fs::path(TAVORA_PNG_SKIN_FOLDER))) {
    if (entry.path().extension() == ".png") pictures.push_back(entry.path());
  }
  return pictures;
}

std::vector<uint8_t> Bytes(const fs::path& path) {
  const std::string text = ReadFileBytes(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Width and height as the file's header declares them.
int HeaderSide(const std::vector<uint8_t>& png, size_t offset) {
  return (png[offset] << 24) | (png[offset + 1] << 16) | (png[offset + 2] << 8) | png[offset + 3];
}

}  // namespace

TEST(PngPixels, EverySkinPictureDecodesToItsDeclaredSizeWithPremultipliedPixels) {
  const std::vector<fs::path> pictures = SkinPictures();
  ASSERT_EQ(pictures.size(), 48u);
  for (const fs::path& path : pictures) {
    const std::vector<uint8_t> png = Bytes(path);
    PngPixels pixels;
    ASSERT_TRUE(DecodePng(png.data(), png.size(), 8192, pixels)) << path;
    EXPECT_EQ(pixels.width, HeaderSide(png, 16)) << path;
    EXPECT_EQ(pixels.height, HeaderSide(png, 20)) << path;
    ASSERT_EQ(pixels.bgra.size(), static_cast<size_t>(pixels.width) * pixels.height) << path;
    for (const uint32_t pixel : pixels.bgra) {
      const uint32_t alpha = pixel >> 24;
      ASSERT_LE((pixel >> 16) & 0xFF, alpha) << path;
      ASSERT_LE((pixel >> 8) & 0xFF, alpha) << path;
      ASSERT_LE(pixel & 0xFF, alpha) << path;
    }
  }
}

TEST(PngPixels, BrokenBytesAndOversizedPicturesAreRefused) {
  const std::vector<uint8_t> png = Bytes(fs::path(TAVORA_PNG_SKIN_FOLDER) / "bg_install.png");
  PngPixels pixels;
  EXPECT_FALSE(DecodePng(png.data(), png.size() / 2, 8192, pixels)) << "cut in the middle of its data";
  EXPECT_TRUE(pixels.bgra.empty());
  EXPECT_FALSE(DecodePng(png.data(), png.size(), 599, pixels)) << "600 pixels wide";
  EXPECT_TRUE(pixels.bgra.empty());
  const std::string text = "not a picture at all";
  EXPECT_FALSE(DecodePng(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 8192, pixels));
  EXPECT_FALSE(DecodePng(nullptr, 0, 8192, pixels));
  EXPECT_TRUE(DecodePng(png.data(), png.size(), 600, pixels));
}

#ifdef _WIN32
// What GDI+ decodes through Windows' imaging components, as premultiplied pixels.
std::vector<uint32_t> WindowsPixels(const std::vector<uint8_t>& png, int& width, int& height) {
  std::vector<uint32_t> result;
  IStream* stream = SHCreateMemStream(png.data(), static_cast<UINT>(png.size()));
  if (!stream) return result;
  {
    Gdiplus::Bitmap bitmap(stream);
    width = static_cast<int>(bitmap.GetWidth());
    height = static_cast<int>(bitmap.GetHeight());
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) == Gdiplus::Ok) {
      for (int row = 0; row < height; ++row) {
        const auto* line = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) + row * data.Stride);
        result.insert(result.end(), line, line + width);
      }
      bitmap.UnlockBits(&data);
    }
  }
  stream->Release();
  return result;
}

TEST(PngPixels, PixelsEqualThoseOfWindowsImagingForEverySkinPicture) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  for (const fs::path& path : SkinPictures()) {
    const std::vector<uint8_t> png = Bytes(path);
    PngPixels pixels;
    ASSERT_TRUE(DecodePng(png.data(), png.size(), 8192, pixels)) << path;
    int width = 0, height = 0;
    const std::vector<uint32_t> expected = WindowsPixels(png, width, height);
    ASSERT_EQ(pixels.width, width) << path;
    ASSERT_EQ(pixels.height, height) << path;
    ASSERT_EQ(pixels.bgra.size(), expected.size()) << path;
    int differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      for (int shift = 0; shift < 32; shift += 8) {
        const int ours = static_cast<int>((pixels.bgra[i] >> shift) & 0xFF);
        const int theirs = static_cast<int>((expected[i] >> shift) & 0xFF);
        // Premultiplying may round a channel the other way.
        if (std::abs(ours - theirs) > 1) ++differing;
      }
    }
    EXPECT_EQ(differing, 0) << path;
  }
  Gdiplus::GdiplusShutdown(token);
}
#endif
