// Benchmark of the camera list control at the size of a large base data import: 60,000
// cameras of which 1,000 fail a rule, against a tenth of that. Prints milliseconds per stage
// and the cost per row at both sizes; the rows cost the same at both sizes when nothing is
// quadratic. Run it under Wine: wizard_list_bench.exe [folder for the workbooks]
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/cam_workbook.h"
#include "camdata/camera_list.h"
#include "camdata/speed_cam_data_set.h"
#include "spreadsheet/excel_file.h"
#include "wizard/speed_cam_list_ctrl.h"

namespace {

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// A camera workbook with n cameras, every 60th with a latitude out of range.
bool MakeWorkbook(const std::string& path, int n) {
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(
            std::string(KOVRA_SOURCE_DIR) + "/resources/UserCustomizedTemplate.xls", bytes) ||
        !kovra::WriteFileReplacing(path, bytes.data(), bytes.size()))
        return false;
    ExcelFile file;
    if (!file.OpenFile(path)) return false;
    ExcelSheet* data = file.FindSheet("data");
    std::mt19937 rng(5);
    for (int r = 1; r <= n; ++r) {
        const bool bad = r % 60 == 0;
        const double v[6] = {bad ? 95.0 : double(rng() % 179000000) / 1e6 - 89.5,
                             double(rng() % 359000000) / 1e6 - 179.5,
                             double(rng() % 360),
                             60,
                             double(1 + rng() % 5),
                             double(rng() % 3)};
        for (int c = 0; c < 6; ++c) data->CellAt(r, c + 1)->PutDouble(v[c]);
    }
    return file.WriteBack();
}

struct Figures {
    int rows = 0, invalid = 0;
    double importMemory = 0, importControl = 0, fill = 0, sort = 0, allValid = 0, gotoAll = 0,
           removeFront = 0, deleteBack = 0;
};

Figures Run(const std::string& folder, int n, CWnd* pParent) {
    Figures f;
    f.rows = n;
    const std::string book = folder + "\\bench_" + std::to_string(n) + ".xls";
    if (!MakeWorkbook(book, n)) {
        std::printf("cannot write %s\n", book.c_str());
        return f;
    }
    const std::wstring wbook = kovra::FromUtf8(book);
    CSpeedCamDataSet set;

    // The import with the rows kept in memory, then with the control: the difference is what
    // the control costs an import.
    CCameraListMemory memory;
    double t = Now();
    ImportCamWorkbook(L"", &memory, wbook, &set);
    f.importMemory = Now() - t;

    CSpeedCamListCtrl list;
    list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                RECT{67, 106, 798, 223}, pParent, 2055);
    list.InitColumns();
    t = Now();
    ImportCamWorkbook(L"", &list, wbook, &set);
    f.importControl = Now() - t;
    f.invalid = list.GetItemCount();

    // Stepping through every failed cell, as "Correct Next >" does.
    t = Now();
    for (int i = 0; i < f.invalid; ++i) list.GotoInvalid(true);
    f.gotoAll = Now() - t;
    list.EndEdit(false);

    // The sorting and duplicate lists hold every camera.
    std::vector<CSpeedCamData*> all;
    for (POSITION pos = set.m_camList.GetHeadPosition(); pos;)
        all.push_back(set.m_camList.GetNext(pos));
    list.DeleteAllItems();
    t = Now();
    for (CSpeedCamData* pCam : all) list.AddCameraItem(pCam);
    f.fill = Now() - t;

    t = Now();
    bool valid = true;
    for (int i = 0; i < 10; ++i) valid = list.AllValid() && valid;
    f.allValid = (Now() - t) / 10;

    t = Now();
    list.SortCameraItems();
    f.sort = Now() - t;

    // The duplicate filter takes kept groups out from the front.
    std::vector<CSpeedCamData*> order;
    for (int i = 0; i < list.GetItemCount(); ++i) order.push_back(list.GetItemCamera(i));
    t = Now();
    for (CSpeedCamData* pCam : order) list.RemoveCameraItem(pCam);
    f.removeFront = Now() - t;

    // Saving corrections drops rows from the last to the first.
    for (CSpeedCamData* pCam : all) list.AddCameraItem(pCam);
    t = Now();
    for (int row = list.GetItemCount() - 1; row >= 0; --row) list.DeleteItem(row);
    f.deleteBack = Now() - t;
    ::DeleteFileW(wbook.c_str());
    return f;
}

void Print(const char* stage, double small, int smallRows, double large, int largeRows) {
    const double perSmall = small * 1e6 / smallRows, perLarge = large * 1e6 / largeRows;
    std::printf("%-34s %9.1f ms %9.1f ms   %8.0f ns/row %8.0f ns/row   x%.2f\n", stage, small,
                large, perSmall, perLarge, perSmall > 0 ? perLarge / perSmall : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::string folder = argc > 1 ? argv[1] : kovra::ToUtf8(temp);
    CWnd parent;
    parent.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, RECT{0, 0, 860, 449}, nullptr, 0);

    const Figures s = Run(folder, 6000, &parent);
    const Figures l = Run(folder, 60000, &parent);
    std::printf("%-34s %12s %12s   %15s %15s   %s\n", "stage", "6,000 rows", "60,000 rows",
                "per row", "per row", "ratio");
    Print("import, rows kept in memory", s.importMemory, s.rows, l.importMemory, l.rows);
    Print("import, rows in the list control", s.importControl, s.rows, l.importControl, l.rows);
    Print("  of which the control", s.importControl - s.importMemory, s.rows,
          l.importControl - l.importMemory, l.rows);
    Print("Correct Next over every failed row", s.gotoAll, s.invalid, l.gotoAll, l.invalid);
    Print("add every camera", s.fill, s.rows, l.fill, l.rows);
    Print("AllValid", s.allValid, s.rows, l.allValid, l.rows);
    Print("sort by position", s.sort, s.rows, l.sort, l.rows);
    Print("remove rows front first", s.removeFront, s.rows, l.removeFront, l.rows);
    Print("delete rows last first", s.deleteBack, s.rows, l.deleteBack, l.rows);
    std::printf("failed rows listed: %d and %d\n", s.invalid, l.invalid);
    return 0;
}
