// CFileDialog: the system's file-open (or save) dialog with a filter of "text|pattern|" pairs.
#pragma once

#include <windows.h>
// commdlg.h needs windows.h before it (windows.h leaves it out here).
#include <commdlg.h>

#include <string>

class CWnd;

class CFileDialog {
public:
    // lpszFilter: "*.xls|*.xls|" style pairs of shown text and pattern, each ended by '|'.
    CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt = nullptr, LPCWSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                LPCWSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when the user chose a file, IDCANCEL otherwise (also when the dialog failed).
    INT_PTR DoModal();
    // The chosen file's full path.
    std::wstring GetPathName() const { return m_szFile; }
    std::wstring GetFileName() const;

    // The structure handed to the system; callers may set lpstrInitialDir, lpstrTitle, Flags.
    OPENFILENAMEW m_ofn{};

private:
    BOOL m_bOpenFileDialog;
    std::wstring m_strFilter;  // the filter with '|' turned into the list's terminators
    std::wstring m_strDefExt;
    wchar_t m_szFile[MAX_PATH] = L"";
    CWnd* m_pParentWnd;
};
