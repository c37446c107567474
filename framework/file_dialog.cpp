// CFileDialog over GetOpenFileName and GetSaveFileName (explorer style).
#include "framework/file_dialog.h"

#include "base/paths.h"
#include "framework/wnd.h"

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt, LPCWSTR lpszFileName,
                         DWORD dwFlags, LPCWSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_pParentWnd(pParentWnd) {
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = MAX_PATH;
    if (lpszFileName) lstrcpynW(m_szFile, lpszFileName, MAX_PATH);
    if (lpszDefExt) {
        m_strDefExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_strDefExt.c_str();
    }
    if (lpszFilter && *lpszFilter) {
        // The system wants "text\0pattern\0...\0\0": every '|' becomes a terminator and a
        // filter not ended by '|' gets one.
        m_strFilter = lpszFilter;
        if (m_strFilter.back() != L'|') m_strFilter += L'|';
        for (wchar_t& c : m_strFilter)
            if (c == L'|') c = L'\0';
        m_strFilter += L'\0';
        m_ofn.lpstrFilter = m_strFilter.c_str();
    }
}

INT_PTR CFileDialog::DoModal() {
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_ofn.hInstance = ::GetModuleHandleW(nullptr);
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::wstring CFileDialog::GetFileName() const {
    return kovra::FileNameOf(m_szFile);
}
