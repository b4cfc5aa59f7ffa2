#include "toolkit/toolkit_graphics.h"

#include <shlwapi.h>

#include <utility>
#include <vector>

#include "base/log_helper.h"
#include "base/text_helpers.h"
#include "toolkit/png_pixels.h"
#include "toolkit/skin_resources.h"

namespace {

// Skin pictures are window-sized at most; a larger one is damaged or hostile.
constexpr UINT kMaxImageSide = 8192;

struct ComRelease {
  void operator()(IUnknown* object) const {
    if (object) object->Release();
  }
};

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM families) {
  // "@" names are the vertical variants of the same faces.
  if (font->lfFaceName[0] != L'@') reinterpret_cast<std::vector<std::wstring>*>(families)->push_back(font->lfFaceName);
  return 1;
}

// Font families GDI knows for a character set, in the order it lists them. Asking GDI+ for
// each candidate by name instead costs a full font scan per name under Wine.
std::vector<std::wstring> FamiliesWithCharset(BYTE charset) {
  std::vector<std::wstring> families;
  HDC screen = GetDC(nullptr);
  LOGFONTW query = {};
  query.lfCharSet = charset;
  EnumFontFamiliesExW(screen, &query, CollectFamily, reinterpret_cast<LPARAM>(&families), 0);
  ReleaseDC(nullptr, screen);
  return families;
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one face is enough
}

// Whether GDI knows the family at all: asking for it by name spares a walk over every font.
bool IsInstalledFamily(const std::wstring& name) {
  if (name.empty() || name.size() >= LF_FACESIZE) return false;
  bool found = false;
  HDC screen = GetDC(nullptr);
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  name.copy(query.lfFaceName, name.size());
  EnumFontFamiliesExW(screen, &query, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

bool ListsFamily(const std::vector<std::wstring>& families, const std::wstring& name) {
  for (const std::wstring& family : families) {
    if (EqualsNoCase(family, name)) return true;
  }
  return false;
}

}  // namespace

CToolkitGraphics& CToolkitGraphics::Get() {
  static CToolkitGraphics graphics;
  return graphics;
}

CToolkitGraphics::CToolkitGraphics() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

CToolkitGraphics::~CToolkitGraphics() {
  // Every GDI+ object goes before GDI+ itself.
  m_images.clear();
  m_fonts.clear();
  m_families.clear();
  if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

Gdiplus::Bitmap* CToolkitGraphics::Image(const std::string& name) {
  auto found = m_images.find(name);
  if (found != m_images.end()) return found->second.bitmap.get();
  SkinImage& slot = m_images[name];
  if (!m_token) return nullptr;

  std::vector<uint8_t> bytes;
  if (!CSkinResources::Get().Read(name, bytes) || bytes.empty()) {
    CLogHelper::GetInstance()->Log("skin image %s is missing", name.c_str());
    return nullptr;
  }
  PngPixels pixels;
  if (DecodePng(bytes.data(), bytes.size(), static_cast<int>(kMaxImageSide), pixels)) {
    return KeepPixels(std::move(pixels), slot) ? slot.bitmap.get() : nullptr;
  }
  // Another format, or a PNG the decoder does not take: Windows' imaging components.
  std::unique_ptr<IStream, ComRelease> stream(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok || decoded->GetWidth() == 0 ||
      decoded->GetHeight() == 0 || decoded->GetWidth() > kMaxImageSide || decoded->GetHeight() > kMaxImageSide) {
    CLogHelper::GetInstance()->Log("skin image %s cannot be decoded", name.c_str());
    return nullptr;
  }
  // A decoded copy of our own: GDI+ may read the stream lazily, and premultiplied pixels draw
  // fastest.
  const INT width = static_cast<INT>(decoded->GetWidth()), height = static_cast<INT>(decoded->GetHeight());
  auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
  {
    Gdiplus::Graphics graphics(copy.get());
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    graphics.DrawImage(decoded.get(), Gdiplus::Rect(0, 0, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
  }
  slot.bitmap = std::move(copy);
  return slot.bitmap.get();
}

bool CToolkitGraphics::KeepPixels(PngPixels pixels, SkinImage& slot) {
  // Drawn from the decoded pixels themselves: no second copy of the picture is made.
  slot.pixels = std::move(pixels.bgra);
  slot.bitmap = std::make_unique<Gdiplus::Bitmap>(pixels.width, pixels.height, pixels.width * 4, PixelFormat32bppPARGB,
                                                  reinterpret_cast<BYTE*>(slot.pixels.data()));
  if (slot.bitmap->GetLastStatus() == Gdiplus::Ok) return true;
  slot.bitmap.reset();
  slot.pixels = PixelBuffer();
  return false;
}

void CToolkitGraphics::DrawSkinImage(Gdiplus::Graphics& graphics, const std::string& name, const RECT& rc) {
  Gdiplus::Bitmap* image = Image(name);
  const INT width = rc.right - rc.left, height = rc.bottom - rc.top;
  if (!image || width <= 0 || height <= 0) return;
  const INT imageWidth = static_cast<INT>(image->GetWidth()), imageHeight = static_cast<INT>(image->GetHeight());
  const bool sameSize = imageWidth == width && imageHeight == height;
  graphics.SetInterpolationMode(sameSize ? Gdiplus::InterpolationModeNearestNeighbor
                                         : Gdiplus::InterpolationModeHighQualityBilinear);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  if (sameSize) {
    graphics.DrawImage(image, rc.left, rc.top, width, height);
    return;
  }
  // Without tiling, stretching blends the picture's edge with transparency.
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  graphics.DrawImage(image, Gdiplus::Rect(rc.left, rc.top, width, height), 0, 0, imageWidth, imageHeight,
                     Gdiplus::UnitPixel, &attributes);
}

void CToolkitGraphics::ClearImages() { m_images.clear(); }

bool CToolkitGraphics::IsUsableByGdiplus(const std::wstring& name) {
  std::unique_ptr<Gdiplus::FontFamily>& kept = m_families[name];
  if (kept) return true;
  // GDI+ draws only outline fonts; a family GDI lists may still be unusable to it. A usable
  // one is kept for the fonts made from it.
  auto family = std::make_unique<Gdiplus::FontFamily>(name.c_str());
  if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) {
    m_families.erase(name);
    return false;
  }
  kept = std::move(family);
  return true;
}

std::wstring CToolkitGraphics::ChineseFallbackFamily() {
  if (m_fallbackChosen) return m_fallback;
  m_fallbackChosen = true;
  const std::vector<std::wstring> chinese = FamiliesWithCharset(GB2312_CHARSET);
  static const wchar_t* const kPreferred[] = {
      L"Microsoft YaHei", L"微软雅黑", L"SimHei", L"黑体", L"SimSun", L"宋体", L"NSimSun",
      L"WenQuanYi Micro Hei", L"WenQuanYi Zen Hei", L"Noto Sans CJK SC", L"Source Han Sans SC",
  };
  for (const wchar_t* name : kPreferred) {
    if (ListsFamily(chinese, name) && IsUsableByGdiplus(name)) return m_fallback = name;
  }
  // Any other installed family that declares the simplified Chinese character set.
  for (const std::wstring& name : chinese) {
    if (IsUsableByGdiplus(name)) return m_fallback = name;
  }
  CLogHelper::GetInstance()->Log("no installed font has Chinese glyphs");
  return m_fallback;  // empty: the generic sans-serif family
}

std::wstring CToolkitGraphics::ResolveFamily(const std::wstring& requested) {
  auto found = m_resolved.find(requested);
  if (found != m_resolved.end()) return found->second;
  const bool installed = IsInstalledFamily(requested) && IsUsableByGdiplus(requested);
  std::wstring family = installed ? requested : ChineseFallbackFamily();
  if (family != requested) {
    CLogHelper::GetInstance()->LogW(L"font %ls is not installed, drawing with %ls", requested.c_str(),
                                    family.empty() ? L"the generic sans-serif family" : family.c_str());
  }
  m_resolved[requested] = family;
  return family;
}

Gdiplus::Font* CToolkitGraphics::Font(const LayoutFont& wanted) {
  if (!m_token) return nullptr;
  const std::wstring key = wanted.name + L"|" + std::to_wstring(wanted.size) + (wanted.bold ? L"|b" : L"|") +
                           (wanted.italic ? L"i" : L"");
  auto found = m_fonts.find(key);
  if (found != m_fonts.end()) return found->second.get();

  const std::wstring familyName = ResolveFamily(wanted.name);
  std::unique_ptr<Gdiplus::FontFamily>& family = m_families[familyName];
  if (!family) {
    family = familyName.empty() ? std::unique_ptr<Gdiplus::FontFamily>(Gdiplus::FontFamily::GenericSansSerif()->Clone())
                                : std::make_unique<Gdiplus::FontFamily>(familyName.c_str());
  }
  INT style = Gdiplus::FontStyleRegular;
  if (wanted.bold) style |= Gdiplus::FontStyleBold;
  if (wanted.italic) style |= Gdiplus::FontStyleItalic;
  auto font = std::make_unique<Gdiplus::Font>(family.get(), static_cast<Gdiplus::REAL>(wanted.size), style,
                                              Gdiplus::UnitPixel);
  if (font->GetLastStatus() != Gdiplus::Ok) {
    // Some families lack a bold or italic face; the regular one still draws the text.
    font = std::make_unique<Gdiplus::Font>(family.get(), static_cast<Gdiplus::REAL>(wanted.size),
                                           Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
  }
  if (font->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return (m_fonts[key] = std::move(font)).get();
}
