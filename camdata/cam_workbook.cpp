// Camera workbook import and export through the spreadsheet library.
#include "camdata/cam_workbook.h"

#include "base/file_io.h"
#include "base/text.h"
#include "camdata/camera_list.h"
#include "camdata/speed_cam_data_set.h"
#include "spreadsheet/excel_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const int kMaxSheetRow = 65535;

// The wizard reaches files through the platform's structured storage; everything else (and
// every other platform) through our own container.
ContainerBinding WorkbookBinding() {
#ifdef _WIN32
    return ContainerBinding::Platform;
#else
    return ContainerBinding::Own;
#endif
}

// A numeric cell's value; false for any other kind (the column then takes 0, untested).
bool ReadNumber(const ExcelCell* c, double* value) {
    if (!c) return false;
    switch (c->Kind()) {
        case CellKind::Integer: *value = c->AsInteger(); return true;
        case CellKind::Double: *value = c->AsDouble(); return true;
        default: return false;
    }
}

// Truncated toward zero; reals beyond the 32-bit range are clamped rather than wrapped.
int32_t ToInt(double v) {
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
}

void StoreColumn(CSpeedCamData* pCam, int column, const ExcelCell* pCell, const std::wstring* types) {
    double v;
    if (!ReadNumber(pCell, &v)) return;  // the record's initial 0 stands, valid and unmarked
    switch (column) {
        case CamLatitude: pCam->SetLatitude(v); break;
        case CamLongitude: pCam->SetLongitude(v); break;
        case CamBearingAngle: pCam->SetBearingAngle(ToInt(v)); break;
        case CamSpeedLimit: pCam->SetSpeedLimit(ToInt(v)); break;
        case CamCameraType: pCam->SetCameraType(ToInt(v), types); break;
        case CamDirType: pCam->SetDirType(ToInt(v)); break;
    }
}

}  // namespace

std::wstring NoteCellText(const ExcelCell* pCell) {
    if (!pCell || pCell->Kind() == CellKind::Empty) {
#ifdef _WIN32
        OutputDebugStringW(L"Undefined\n");
#endif
        return std::wstring();
    }
    switch (pCell->Kind()) {
        case CellKind::Integer: return kovra::WidenBytes(kovra::Format("%10d", int(pCell->AsInteger())));
        case CellKind::Double: return kovra::WidenBytes(kovra::Format("%10.6lf", pCell->AsDouble()));
        case CellKind::Text: {
            const char* p = pCell->AsText();
            return p ? kovra::WidenBytes(p, std::char_traits<char>::length(p)) : std::wstring();
        }
        case CellKind::WideText: {
            std::wstring w;
            for (const char16_t* p = pCell->AsWideText(); p && *p; ++p) w += wchar_t(*p);
            return w;
        }
        default: return std::wstring();
    }
}

bool ImportCamWorkbook(const std::wstring& typeList, ICameraList* pList, const std::wstring& path,
                       CSpeedCamDataSet* pSet) {
    if (!kovra::FileExists(path)) return false;
    ExcelFile file(WorkbookBinding());
    if (!file.OpenFile(path)) return false;
    ExcelSheet* note = file.FindSheet("note");
    if (!note) return false;

    if (pList) {
        pList->DeleteAllItems();
        pList->SetCameraSet(pSet);
    }
    pSet->RemoveAll(true);
    pSet->SetCameraTypes(!typeList.empty() ? typeList : NoteCellText(&note->Cell(1000, 5)));
    for (int i = 0; i < CSpeedCamDataSet::kDescriptionCount; ++i)
        pSet->m_strDescription[i] = NoteCellText(&note->Cell(i + 1, 1));

    ExcelSheet* data = file.FindSheet("data");
    if (!data) return false;
    const int rows = data->RowCount();
    const int columns = data->ColumnCount() < 7 ? data->ColumnCount() : 7;
    const std::wstring* types = &pSet->m_strCameraTypes;
    for (int r = 1; r < rows; ++r) {
        CSpeedCamData* pCam = new CSpeedCamData;
        for (int c = 1; c < columns; ++c) StoreColumn(pCam, c - 1, &data->Cell(r, c), types);
        pSet->AddCamera(pCam);
        if (pList && !pCam->IsValid()) pList->AddCameraItem(pCam);
    }
    return true;
}

bool ExportCamWorkbook(const std::wstring& path, const CSpeedCamDataSet* pSet) {
    const ptrdiff_t n = pSet->GetCount();
    if (n > kMaxSheetRow) return false;  // row n would lie beyond the last sheet row
    ExcelFile file(WorkbookBinding());
    if (!file.OpenFile(path)) return false;
    ExcelSheet* data = file.FindSheet("data");
    if (!data) return false;

    const int rows = n > data->RowCount() ? int(n) : data->RowCount();
    POSITION pos = pSet->m_camList.GetHeadPosition();
    for (int i = 0; i < rows; ++i) {
        const int r = i + 1;
        if (i < n) {
            const CSpeedCamData* pCam = pSet->m_camList.GetNext(pos);
            for (int c = 1; c <= CamColumnCount; ++c) {
                ExcelCell* cell = data->CellAt(r, c);
                if (!cell) return false;
                cell->PutDouble(pCam->GetValue(c - 1));
            }
        } else {
            data->ClearCell(r, 0);
            for (int c = 1; c <= CamColumnCount; ++c)
                data->ClearCell(r, c);
        }
    }
    return file.WriteBack();
}
