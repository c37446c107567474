// PNG resources decoded by GDI+, and the GDI bitmap helpers of the skin.
#include "skin/png_image.h"

#include <cstring>

HMODULE g_hImageModule = nullptr;

CGdiPlusBitmap::~CGdiPlusBitmap() {
    Empty();
}

void CGdiPlusBitmap::Empty() {
    delete m_pBitmap;
    m_pBitmap = nullptr;
}

int CGdiPlusBitmap::GetWidth() const {
    return m_pBitmap ? int(m_pBitmap->GetWidth()) : 0;
}

int CGdiPlusBitmap::GetHeight() const {
    return m_pBitmap ? int(m_pBitmap->GetHeight()) : 0;
}

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() {
    Empty();
}

void CGdiPlusBitmapResource::Empty() {
    // The bitmap first: it may still read the bytes in the block.
    CGdiPlusBitmap::Empty();
    if (m_hBuffer) {
        ::GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
    }
}

bool CGdiPlusBitmapResource::Load(WORD id, HMODULE hModule) {
    Empty();

    HRSRC hResource = ::FindResourceW(hModule, MAKEINTRESOURCEW(id), L"PNG");
    if (!hResource) return false;
    DWORD size = ::SizeofResource(hModule, hResource);
    if (size == 0) return false;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    const void* bytes = hData ? ::LockResource(hData) : nullptr;
    if (!bytes) return false;

    // GDI+ wants a stream it may keep reading from; a resource's memory is not one, so the
    // bytes go into a movable block that lives with the bitmap.
    m_hBuffer = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!m_hBuffer) return false;
    void* copy = ::GlobalLock(m_hBuffer);
    if (!copy) {
        Empty();
        return false;
    }
    std::memcpy(copy, bytes, size);
    ::GlobalUnlock(m_hBuffer);

    IStream* pStream = nullptr;
    if (::CreateStreamOnHGlobal(m_hBuffer, FALSE, &pStream) != S_OK || !pStream) {
        Empty();
        return false;
    }
    m_pBitmap = Gdiplus::Bitmap::FromStream(pStream);
    pStream->Release();
    if (!m_pBitmap || m_pBitmap->GetLastStatus() != Gdiplus::Ok) {
        Empty();
        return false;
    }
    return true;
}

std::unique_ptr<CGdiPlusBitmapResource> LoadPngImage(WORD id) {
    if (!g_hImageModule) g_hImageModule = ::GetModuleHandleW(nullptr);
    auto image = std::make_unique<CGdiPlusBitmapResource>();
    if (!image->Load(id, g_hImageModule)) return nullptr;
    return image;
}

ScopedBitmap PngToBitmap(std::unique_ptr<CGdiPlusBitmap> image) {
    if (!image || image->IsEmpty()) return ScopedBitmap();
    const int cx = image->GetWidth();
    const int cy = image->GetHeight();
    CClientDC screen(nullptr);
    ::SetLayout(screen, 0);
    ScopedMemoryDC memory(::CreateCompatibleDC(screen));
    ScopedBitmap bitmap(::CreateCompatibleBitmap(screen, cx, cy));
    if (!memory || !bitmap) return ScopedBitmap();
    {
        CSelectObject select(memory, bitmap);
        Gdiplus::Graphics graphics(memory);
        graphics.DrawImage(image->m_pBitmap, 0, 0, cx, cy);
    }
    return bitmap;
}

void DrawBitmapAt(HBITMAP hBitmap, HDC dc) {
    SIZE size = GetBitmapSize(hBitmap);
    RECT rect{0, 0, size.cx, size.cy};
    DrawBitmapInRect(rect, dc, hBitmap);
}

void DrawBitmapInRect(const RECT& rect, HDC dc, HBITMAP hBitmap) {
    if (!hBitmap || !dc) return;
    ScopedMemoryDC memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    CSelectObject select(memory, hBitmap);
    ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0, 0,
             SRCCOPY);
}

SIZE GetBitmapSize(HBITMAP hBitmap) {
    BITMAP bm{};
    if (!hBitmap || !::GetObjectW(hBitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}
