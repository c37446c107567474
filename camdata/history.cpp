// Working base file, history names, backups and the conversion workbook.
#include "camdata/history.h"

#include "base/file_io.h"
#include "base/paths.h"
#include "base/text.h"
#include "camdata/cam_workbook.h"
#include "camdata/speed_cam_data_set.h"

std::wstring GetWorkingBaseFilePath(const std::wstring& folder) {
    return kovra::JoinPath(folder, L"\\~MyBaseFile.xls");
}

std::wstring MakeHistoryFilePath(const std::wstring& folder, std::time_t when) {
    std::wstring path = kovra::JoinPath(folder, L"\\History");
    std::tm tm{};
#ifdef _WIN32
    bool ok = localtime_s(&tm, &when) == 0;
#else
    bool ok = localtime_r(&when, &tm) != nullptr;
#endif
    char name[64];
    if (ok && std::strftime(name, sizeof name, "BaseFile_%Y%m%d-%H%M%S.xls", &tm) > 0)
        path = kovra::JoinPath(path, kovra::WidenBytes(name));
    else
        path += wchar_t(kovra::kPathSeparator);  // the name part stays empty
    return path;
}

std::wstring MakeHistoryFilePath(const std::wstring& folder) {
    return MakeHistoryFilePath(folder, std::time(nullptr));
}

std::wstring MakeBackupPath(const std::wstring& path) {
    const size_t nameStart = kovra::FolderOf(path).size();
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart) return path + L"_backup";
    return path.substr(0, dot) + L"_backup" + path.substr(dot);
}

std::wstring BuildConversionWorkbook(const std::wstring& folder, const CSpeedCamDataSet* pBase,
                                     const CSpeedCamDataSet* pPartner, const CSpeedCamDataSet* pCustom) {
    CSpeedCamDataSet view;
    for (const CSpeedCamDataSet* s : {pBase, pPartner, pCustom}) {
        if (!s) continue;
        for (POSITION pos = s->m_camList.GetHeadPosition(); pos;) view.AddCamera(s->m_camList.GetNext(pos));
    }
    const std::wstring history = MakeHistoryFilePath(folder);
    bool ok = kovra::CopyFileReplacing(GetWorkingBaseFilePath(folder), history) &&
              ExportCamWorkbook(history, &view);
    view.RemoveAll(false);
    return ok ? history : std::wstring();
}
