// Drawing pieces the skinned controls share: fonts, background snapshots, images with alpha,
// and an off-screen buffer.
#pragma once

#include <windows.h>

#include "framework/handles.h"
#include "skin/png_image.h"

namespace skin {

// A font of the given face, character height in pixels and weight, ClearType quality.
ScopedFont CreateFont(LPCWSTR lpszFace, int nHeight, int nWeight);

// A bitmap holding the cx × cy pixels of dc at its origin: what the parent painted under a
// control that does not erase its background.
ScopedBitmap CopyPixels(HDC dc, int cx, int cy);

// The image at x, y at its own size, blended by its alpha; mirrored horizontally with bFlip.
// With fOpacity below 1 the image is drawn that much fainter.
void DrawImage(HDC dc, const CGdiPlusBitmap* pImage, int x, int y, bool bFlip = false,
               float fOpacity = 1.0f);

// Width of text in dc's current font, on one line.
int TextWidth(HDC dc, LPCWSTR lpszText);

// A memory context with a bitmap of cx × cy compatible with dc; Flush copies it to dc at 0,0.
class COffscreen {
public:
    COffscreen(HDC dc, int cx, int cy);
    ~COffscreen();
    COffscreen(const COffscreen&) = delete;
    COffscreen& operator=(const COffscreen&) = delete;

    operator HDC() const { return m_dc; }
    bool IsValid() const { return m_dc && m_bitmap; }
    void Flush();
    // Copies only the top-left cx × cy: a window smaller than the buffer gets what it shows.
    void Flush(int cx, int cy);

private:
    HDC m_target;
    int m_cx;
    int m_cy;
    ScopedMemoryDC m_dc;
    ScopedBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

}  // namespace skin
