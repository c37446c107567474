// PNG images from the program's resources as GDI+ bitmaps, and copying GDI bitmaps to a context.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/gdiplus_header.h"
#include "framework/handles.h"

// One GDI+ bitmap, owned; empty (null) until something is loaded into it.
class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap();
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    // Deletes the bitmap held.
    void Empty();
    bool IsEmpty() const { return m_pBitmap == nullptr; }
    // 0 when empty.
    int GetWidth() const;
    int GetHeight() const;

    operator Gdiplus::Bitmap*() const { return m_pBitmap; }

    Gdiplus::Bitmap* m_pBitmap = nullptr;
};

// A bitmap decoded from a "PNG" resource. GDI+ may read the encoded bytes for as long as the
// bitmap lives, so their copy stays with the object.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    CGdiPlusBitmapResource() = default;
    ~CGdiPlusBitmapResource() override;

    // Loads PNG resource id of hModule, replacing whatever the object held; false (and empty)
    // when there is no such PNG resource or it does not decode.
    bool Load(WORD id, HMODULE hModule);
    // Deletes the bitmap and frees the encoded bytes.
    void Empty();

private:
    HGLOBAL m_hBuffer = nullptr;
};

// The module images come from: always the program, in both languages.
extern HMODULE g_hImageModule;

// PNG resource id of g_hImageModule (set to the program's module when still null): images never
// come from the language library. Null when it cannot be loaded.
std::unique_ptr<CGdiPlusBitmapResource> LoadPngImage(WORD id);

// An opaque GDI bitmap, compatible with the screen, with the image drawn on it at full size;
// the image is deleted. Pixels under transparent parts are undefined, so this serves the
// opaque backgrounds. Empty for a null image.
ScopedBitmap PngToBitmap(std::unique_ptr<CGdiPlusBitmap> image);

// Copies the whole bitmap to dc at 0,0.
void DrawBitmapAt(HBITMAP hBitmap, HDC dc);
// Copies the bitmap's top-left part of rect's size to rect's top-left corner in dc.
void DrawBitmapInRect(const RECT& rect, HDC dc, HBITMAP hBitmap);

// Width and height of a GDI bitmap; 0, 0 for null.
SIZE GetBitmapSize(HBITMAP hBitmap);
