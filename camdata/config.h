// The program's configuration: the model list of "Setting.ini", the base data address of
// "BaseFile.ini", and the destination folder kept in the user's profile.
#pragma once

#include <string>
#include <vector>

// Profile section and entries of the wizard (the same texts in every language).
extern const wchar_t kProfileSectionMain[];      // "MAIN"
extern const wchar_t kProfileEntryLanguage[];    // "Language"
extern const wchar_t kProfileEntryDestFolder[];  // "DestFolder"

// More model sections than this are not read: a broken count must not stall the page.
const int kMaxModelCount = 256;

// Program folder + "\Setting.ini" and + "\BaseFile.ini".
std::wstring GetSettingIniPath();
std::wstring GetBaseFileIniPath();

// A path that the configuration gives relative to the program folder, written with a leading
// backslash ("\conv\x.exe"). Its backslashes become the platform's separator, so the same
// value names the same file on Linux.
std::wstring MakeProgramPath(const std::wstring& programFolder, const std::wstring& relative);

// One model section "Model_<n>" with its four files made into paths.
struct CModelSettings {
    std::wstring m_strDeviceName;
    std::wstring m_strConvertExe;
    std::wstring m_strSuccessLog;
    std::wstring m_strErrorLog;
    std::wstring m_strRawFile;
};

// "ModelInfo"/"ModelCount", limited to 0 ... kMaxModelCount.
int GetModelCount(const std::wstring& iniPath);
// The "DeviceName" of Model_1 ... Model_<count>, in that order (default "0").
std::vector<std::wstring> GetModelNames(const std::wstring& iniPath);
// Reads section "Model_<nModel>" (1-based) and forms the four paths in the program folder. A
// missing or empty value is taken as "0", which names no existing file. Returns whether all
// four values were given.
bool GetModelSettings(const std::wstring& iniPath, const std::wstring& programFolder, int nModel,
                      CModelSettings* pModel);

// "ActiveBaseFil"/"URL" of the file; false (and an empty address) when the value has one
// character or less.
bool GetBaseFileUrl(const std::wstring& iniPath, std::wstring* url);

// The profile's "MAIN"/"DestFolder" ("0" when missing).
std::wstring GetDestFolderSetting();
bool SetDestFolderSetting(const std::wstring& path);

// The stored destination folder when it has at least two characters and exists (true);
// otherwise the user's documents folder, or failing that the program folder (false).
bool GetDefaultDestFolder(std::wstring* folder);
