// Fonts, snapshots, alpha images and the off-screen buffer of the skinned controls.
#include "skin/skin_draw.h"

#include "skin/skin_texts.h"

#include <cwchar>
#include <memory>

namespace skin {

ScopedFont CreateFont(LPCWSTR lpszFace, int nHeight, int nWeight) {
    return ScopedFont(::CreateFontW(-nHeight, 0, 0, 0, nWeight, FALSE, FALSE, FALSE,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, lpszFace));
}

ScopedBitmap CopyPixels(HDC dc, int cx, int cy) {
    if (!dc || cx <= 0 || cy <= 0) return ScopedBitmap();
    ScopedBitmap bitmap(::CreateCompatibleBitmap(dc, cx, cy));
    ScopedMemoryDC memory(::CreateCompatibleDC(dc));
    if (!bitmap || !memory) return ScopedBitmap();
    CSelectObject select(memory, bitmap);
    ::BitBlt(memory, 0, 0, cx, cy, dc, 0, 0, SRCCOPY);
    return bitmap;
}

void DrawImage(HDC dc, const CGdiPlusBitmap* pImage, int x, int y, bool bFlip, float fOpacity) {
    if (!dc || !pImage || pImage->IsEmpty()) return;
    const int cx = pImage->GetWidth();
    const int cy = pImage->GetHeight();
    Gdiplus::Graphics graphics(dc);
    // One image pixel to one screen pixel, not resampled: faces stay sharp.
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Mirrored from a flipped copy: a mirroring transform lands half a pixel off.
    std::unique_ptr<Gdiplus::Bitmap> flipped;
    Gdiplus::Bitmap* bitmap = pImage->m_pBitmap;
    if (bFlip) {
        flipped.reset(bitmap->Clone(0, 0, cx, cy, PixelFormat32bppARGB));
        if (flipped && flipped->RotateFlip(Gdiplus::RotateNoneFlipX) == Gdiplus::Ok)
            bitmap = flipped.get();
    }
    if (fOpacity >= 1.0f) {
        graphics.DrawImage(bitmap, x, y, cx, cy);
        return;
    }
    Gdiplus::ColorMatrix matrix = {{{1, 0, 0, 0, 0},
                                    {0, 1, 0, 0, 0},
                                    {0, 0, 1, 0, 0},
                                    {0, 0, 0, fOpacity, 0},
                                    {0, 0, 0, 0, 1}}};
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&matrix);
    graphics.DrawImage(bitmap, Gdiplus::Rect(x, y, cx, cy), 0, 0, cx, cy, Gdiplus::UnitPixel,
                       &attributes);
}

int TextWidth(HDC dc, LPCWSTR lpszText) {
    if (!dc || !lpszText || !*lpszText) return 0;
    RECT rect{0, 0, 0, 0};
    ::DrawTextW(dc, lpszText, -1, &rect, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    return rect.right - rect.left;
}

COffscreen::COffscreen(HDC dc, int cx, int cy)
    : m_target(dc), m_cx(cx), m_cy(cy), m_dc(::CreateCompatibleDC(dc)) {
    if (m_dc && cx > 0 && cy > 0) m_bitmap.Reset(::CreateCompatibleBitmap(dc, cx, cy));
    if (m_dc && m_bitmap) m_old = ::SelectObject(m_dc, m_bitmap);
}

COffscreen::~COffscreen() {
    if (m_old) ::SelectObject(m_dc, m_old);
}

void COffscreen::Flush() {
    Flush(m_cx, m_cy);
}

void COffscreen::Flush(int cx, int cy) {
    if (IsValid())
        ::BitBlt(m_target, 0, 0, cx < m_cx ? cx : m_cx, cy < m_cy ? cy : m_cy, m_dc, 0, 0, SRCCOPY);
}

}  // namespace skin

namespace skin {

namespace {
TextSource g_textSource = nullptr;
}  // namespace

void SetTextSource(TextSource source) { g_textSource = source; }

const wchar_t* Text(unsigned id) { return g_textSource ? g_textSource(id) : nullptr; }

}  // namespace skin
