// Camera workbook helpers for tests.
#include "tests/cam_workbook_util.h"

#include <cmath>
#include <vector>

#include "base/file_io.h"
#include "tests/test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#include <ctime>
#endif

namespace kovra_test {

std::string TemplatePath() {
    return SourcePath("resources/UserCustomizedTemplate.xls");
}

bool CopyTemplate(const std::string& path) {
    std::vector<uint8_t> bytes;
    return kovra::ReadWholeFile(TemplatePath(), bytes) &&
           kovra::WriteFileReplacing(path, bytes.data(), bytes.size());
}

void PutRow(ExcelSheet* sheet, int row, std::initializer_list<double> values) {
    int col = 1;
    for (double v : values) {
        if (!std::isnan(v)) sheet->CellAt(row, col)->PutDouble(v);
        else if (ExcelCell* c = sheet->PeekCell(row, col)) c->Clear();
        ++col;
    }
}

bool SetFileTimeUtc(const std::string& path, int year, int month, int day, int hour) {
#ifdef _WIN32
    SYSTEMTIME st{};
    st.wYear = WORD(year);
    st.wMonth = WORD(month);
    st.wDay = WORD(day);
    st.wHour = WORD(hour);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
    CloseHandle(h);
    return ok;
#else
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    time_t t = timegm(&tm);
    struct timeval tv[2] = {{t, 0}, {t, 0}};
    return utimes(path.c_str(), tv) == 0;
#endif
}

std::string ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    kovra::ReadWholeFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace kovra_test
