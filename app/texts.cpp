// Texts by ID, language choice and detection, the Russian library, Language.txt and the
// profile settings.
#include "app/texts.h"

#include <vector>

#include "app/helpers.h"
#include "base/file_io.h"
#include "framework/win_app.h"
#include "resources/resource.h"

HMODULE g_hLangModule = nullptr;

namespace {

const wchar_t kLanguageLibrary[] = L"kovradesk_RUS.dll";
const wchar_t kLanguageFile[] = L"Language.txt";
const size_t kTextUnits = 256;
const size_t kCellUnits = 80;  // 79 units and the end

wchar_t s_szText[4][kTextUnits];
int s_nText = 3;  // the buffer used last; the first call takes buffer 0

wchar_t s_szLanguageName[kCellUnits];

HMODULE ProgramModule() {
    return ::GetModuleHandleW(nullptr);
}

// The profile's section and entry names stay the program's whatever the language.
std::wstring ProgramText(UINT id) {
    wchar_t buf[kTextUnits];
    int n = ::LoadStringW(ProgramModule(), id, buf, int(kTextUnits));
    return n > 0 ? std::wstring(buf, size_t(n)) : std::wstring();
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), int(a.size()), b.c_str(),
                            int(b.size())) == CSTR_EQUAL;
}

}  // namespace

const wchar_t* LoadText(UINT id) {
    if (!g_hLangModule) g_hLangModule = ProgramModule();
    s_nText = (s_nText + 1) & 3;
    wchar_t* buf = s_szText[s_nText];
    buf[0] = L'\0';
    int n = ::LoadStringW(g_hLangModule, id, buf, int(kTextUnits));
    return n > 0 ? buf : nullptr;
}

const wchar_t* LoadTextOrEmpty(UINT id) {
    const wchar_t* text = LoadText(id);
    return text ? text : L"";
}

int GetLanguageSetting() {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    return app->GetProfileInt(ProgramText(IDS_PROFILE_SECTION).c_str(),
                              ProgramText(IDS_PROFILE_LANGUAGE).c_str(), -1);
}

void SetLanguageSetting(int n) {
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(ProgramText(IDS_PROFILE_SECTION).c_str(),
                             ProgramText(IDS_PROFILE_LANGUAGE).c_str(), n);
}

std::wstring GetProfileSetting(const wchar_t* entry) {
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(ProgramText(IDS_PROFILE_SECTION).c_str(), entry, L"")
               : std::wstring();
}

void SetProfileSetting(const wchar_t* entry, const std::wstring& value) {
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(ProgramText(IDS_PROFILE_SECTION).c_str(), entry, value.c_str());
}

int DetectUILanguage() {
    LANGID lang = 0;
    // Looked up at run time: the call is missing on the oldest systems.
    using GetUILanguage = LANGID(WINAPI*)();
    if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
        auto pfn = reinterpret_cast<GetUILanguage>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "GetUserDefaultUILanguage")));
        if (pfn) lang = pfn();
    }
    if (!lang) {
        // Else the language of the system's own version resource, as the system is installed.
        if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
            ::EnumResourceLanguagesW(
                ntdll, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
                    *reinterpret_cast<LANGID*>(param) = language;
                    return TRUE;
                },
                reinterpret_cast<LONG_PTR>(&lang));
        }
    }
    return lang == 0x0419 ? kLanguageRussian : kLanguageEnglish;
}

int ChooseLanguage() {
    int n = GetLanguageSetting();
    if (n < 0) {
        n = DetectUILanguage();
        if (n > 1) n = 0;
        SetLanguageSetting(n);
    } else if (n >= 2) {
        n = kLanguageEnglish;
    }
    return n;
}

void FreeLanguageLibrary() {
    if (g_hLangModule && g_hLangModule != ProgramModule()) ::FreeLibrary(g_hLangModule);
    g_hLangModule = nullptr;
}

void LoadLanguageLibrary() {
    const int language = ChooseLanguage();
    FreeLanguageLibrary();
    if (language == kLanguageRussian) {
        wchar_t path[MAX_PATH + 32];
        swprintf(path, sizeof path / sizeof path[0], L"%ls\\%ls", g_szModuleDir, kLanguageLibrary);
        if (PathExists(path)) {
            // Loaded as data: the library is only read for its strings, never run, so a
            // damaged or foreign file there cannot execute anything.
            g_hLangModule = ::LoadLibraryExW(
                path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
            return;
        }
    }
    g_hLangModule = ProgramModule();
}

const wchar_t* GetLanguageName(int index) {
    const wchar_t* english = LoadText(IDS_LANGUAGE_ENGLISH);
    lstrcpynW(s_szLanguageName, english ? english : L"", int(kCellUnits));
    if (index == 0) return s_szLanguageName;
    if (index != 1) return s_szLanguageName;

    InitModuleDir();
    std::vector<uint8_t> bytes;
    // A list of two names: a file of more than a megabyte is not ours.
    if (!kovra::ReadWholeFile(std::wstring(g_szModuleDir) + L"\\" + kLanguageFile, bytes, 1 << 20))
        return s_szLanguageName;

    std::vector<wchar_t> units(bytes.size() / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = wchar_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    // The byte-order mark is skipped; a file without one keeps its first character.
    size_t i = !units.empty() && units[0] == 0xFEFF ? 1 : 0;

    std::wstring cells[2];
    size_t cell = 0;
    for (; i < units.size(); ++i) {
        const wchar_t c = units[i];
        if (c == L'\t') {
            ++cell;  // a third cell and beyond are not kept
        } else if (c == L'\r') {
            if (SameIgnoringCase(cells[0], s_szLanguageName)) {
                // A row without a name for the language leaves the word for English.
                if (!cells[1].empty())
                    lstrcpynW(s_szLanguageName, cells[1].c_str(), int(kCellUnits));
                return s_szLanguageName;
            }
            cells[0].clear();
            cells[1].clear();
            cell = 0;
            if (i + 1 < units.size() && units[i + 1] == L'\n') ++i;
        } else if (cell < 2 && cells[cell].size() < kCellUnits - 1) {
            cells[cell] += c;
        }
    }
    return s_szLanguageName;
}
