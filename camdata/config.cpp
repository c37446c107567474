// Configuration files beside the program and the destination folder setting.
#include "camdata/config.h"

#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/text.h"
#include "base/user_folders.h"

const wchar_t kProfileSectionMain[] = L"MAIN";
const wchar_t kProfileEntryLanguage[] = L"Language";
const wchar_t kProfileEntryDestFolder[] = L"DestFolder";

namespace {

// A server address may be longer than a path.
const size_t kUrlBufferSize = 2084;

std::wstring ModelSection(int nModel) {
    return kovra::WidenBytes(kovra::Format("Model_%d", nModel));
}

}  // namespace

std::wstring GetSettingIniPath() {
    return MakeProgramPath(kovra::GetProgramFolderW(), L"\\Setting.ini");
}

std::wstring GetBaseFileIniPath() {
    return MakeProgramPath(kovra::GetProgramFolderW(), L"\\BaseFile.ini");
}

std::wstring MakeProgramPath(const std::wstring& programFolder, const std::wstring& relative) {
    std::wstring name = relative;
    for (wchar_t& c : name)
        if (c == L'\\') c = wchar_t(kovra::kPathSeparator);
    return kovra::JoinPath(programFolder, name);
}

int GetModelCount(const std::wstring& iniPath) {
    int n = kovra::IniGetInt(iniPath, L"ModelInfo", L"ModelCount", 0);
    if (n < 0) return 0;
    return n > kMaxModelCount ? kMaxModelCount : n;
}

std::vector<std::wstring> GetModelNames(const std::wstring& iniPath) {
    std::vector<std::wstring> names;
    const int count = GetModelCount(iniPath);
    for (int i = 1; i <= count; ++i)
        names.push_back(kovra::IniGetString(iniPath, ModelSection(i), L"DeviceName", L"0"));
    return names;
}

bool GetModelSettings(const std::wstring& iniPath, const std::wstring& programFolder, int nModel,
                      CModelSettings* pModel) {
    const std::wstring section = ModelSection(nModel);
    bool complete = true;
    // An empty value would name the program folder itself, which the shell would open.
    auto path = [&](const wchar_t* key) {
        std::wstring v = kovra::IniGetString(iniPath, section, key, std::wstring());
        if (v.empty()) {
            complete = false;
            v = L"0";
        }
        return MakeProgramPath(programFolder, v);
    };
    pModel->m_strDeviceName = kovra::IniGetString(iniPath, section, L"DeviceName", L"0");
    pModel->m_strConvertExe = path(L"ConvertExe");
    pModel->m_strSuccessLog = path(L"SuccessLogFile");
    pModel->m_strErrorLog = path(L"ErrorLogFile");
    pModel->m_strRawFile = path(L"RawFile");
    return complete;
}

bool GetBaseFileUrl(const std::wstring& iniPath, std::wstring* url) {
    *url = kovra::IniGetString(iniPath, L"ActiveBaseFil", L"URL", L"0", kUrlBufferSize);
    if (url->size() > 1) return true;
    url->clear();
    return false;
}

std::wstring GetDestFolderSetting() {
    return kovra::ProfileGetString(kProfileSectionMain, kProfileEntryDestFolder, L"0");
}

bool SetDestFolderSetting(const std::wstring& path) {
    return kovra::ProfileWriteString(kProfileSectionMain, kProfileEntryDestFolder, path);
}

bool GetDefaultDestFolder(std::wstring* folder) {
    const std::wstring stored = GetDestFolderSetting();
    if (stored.size() >= 2 && kovra::FileExists(stored)) {
        *folder = stored;
        return true;
    }
    if (!kovra::GetDocumentsFolder(folder)) *folder = kovra::GetProgramFolderW();
    return false;
}
