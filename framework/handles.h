// Owners of Win32 handles: each frees its handle when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

// One owned handle; Traits names the empty value and how the handle is freed.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle h) : m_h(h) {}
    ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { Reset(); }

    Handle Get() const { return m_h; }
    operator Handle() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Empty(); }

    // Frees the held handle and takes h.
    void Reset(Handle h = Traits::Empty()) {
        if (m_h != Traits::Empty() && m_h != h) Traits::Free(m_h);
        m_h = h;
    }
    // Gives the handle up without freeing it.
    Handle Release() { return std::exchange(m_h, Traits::Empty()); }

private:
    Handle m_h = Traits::Empty();
};

template <typename H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::DeleteObject(h); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::CloseHandle(h); }
};

struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::FreeLibrary(h); }
};

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::DeleteDC(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::DestroyIcon(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::DestroyMenu(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { ::RegCloseKey(h); }
};

using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<GdiObjectTraits<HPEN>>;
using ScopedRegion = ScopedHandle<GdiObjectTraits<HRGN>>;
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedLibrary = ScopedHandle<LibraryTraits>;
using ScopedMemoryDC = ScopedHandle<MemoryDCTraits>;
using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedMenu = ScopedHandle<MenuTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;

// A window's device context from GetDC, released with the window.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CClientDC() {
        if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// BeginPaint and EndPaint around one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
    HDC m_hDC = nullptr;
};

// Selects a GDI object into a context and puts the previous one back at the end of the scope.
class CSelectObject {
public:
    CSelectObject(HDC hDC, HGDIOBJ obj)
        : m_hDC(hDC), m_old(obj ? ::SelectObject(hDC, obj) : nullptr) {}
    ~CSelectObject() {
        if (m_old) ::SelectObject(m_hDC, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_old;
};
