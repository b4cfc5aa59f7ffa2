// The toolkit's drawing resources for the whole process: GDI+ (started at first use), the
// skin's decoded images and the fonts, with a fallback for font families the machine lacks.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "toolkit/gdiplus_include.h"
#include "toolkit/layout_parser.h"
#include "toolkit/png_pixels.h"

class CToolkitGraphics {
 public:
  static CToolkitGraphics& Get();
  ~CToolkitGraphics();

  // The image decoded from the skin, or null when the skin has no such image or it is not a
  // picture GDI+ reads (the failure is logged once per name).
  Gdiplus::Bitmap* Image(const std::string& name);
  // Stretches the image over rc.
  void DrawSkinImage(Gdiplus::Graphics& graphics, const std::string& name, const RECT& rc);
  // Forgets decoded images (after the skin was replaced).
  void ClearImages();

  Gdiplus::Font* Font(const LayoutFont& wanted);
  // The installed family text of the given family is drawn with: the family itself when it is
  // installed, otherwise an installed family that has Chinese glyphs.
  std::wstring ResolveFamily(const std::wstring& requested);

 private:
  // A decoded picture. GDI+ draws straight from pixels it is handed, which therefore live
  // beside the bitmap (empty when GDI+ decoded the picture into memory of its own).
  struct SkinImage {
    PixelBuffer pixels;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
  };

  CToolkitGraphics();
  std::wstring ChineseFallbackFamily();
  bool IsUsableByGdiplus(const std::wstring& name);
  // GDI+'s bitmap over the decoded pixels, kept in slot; false when GDI+ refuses it.
  static bool KeepPixels(PngPixels pixels, SkinImage& slot);

  ULONG_PTR m_token = 0;
  std::map<std::string, SkinImage> m_images;
  std::map<std::wstring, std::unique_ptr<Gdiplus::FontFamily>> m_families;
  std::map<std::wstring, std::unique_ptr<Gdiplus::Font>> m_fonts;
  std::map<std::wstring, std::wstring> m_resolved;
  std::wstring m_fallback;
  bool m_fallbackChosen = false;
};
