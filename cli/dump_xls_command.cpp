// kovracli dump-xls: prints every worksheet of a workbook, its cells and merged ranges, as
// JSON, exactly as the spreadsheet library reads them.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/json.h"
#include "spreadsheet/excel_file.h"

namespace {

const char* KindName(CellKind kind) {
    switch (kind) {
        case CellKind::Integer:
            return "Integer";
        case CellKind::Double:
            return "Double";
        case CellKind::Text:
            return "Text";
        case CellKind::WideText:
            return "WideText";
        case CellKind::Formula:
            return "Formula";
        default:
            return "Empty";
    }
}

// 16-bit units into a wide string unit by unit; the UTF-8 conversion joins surrogate pairs.
std::wstring FromUnits(const char16_t* p) {
    std::wstring w;
    for (; p && *p; ++p) w += wchar_t(*p);
    return w;
}

// 8-bit text is shown with each byte as the character of the same value.
std::wstring FromBytes(const char* p) {
    std::wstring w;
    for (; p && *p; ++p) w += wchar_t(uint8_t(*p));
    return w;
}

void CellValue(JsonWriter& j, const ExcelCell& cell) {
    switch (cell.Kind()) {
        case CellKind::Integer:
            j.Int(cell.AsInteger());
            break;
        case CellKind::Double:
            j.Double(cell.AsDouble());
            break;
        case CellKind::Text:
            j.String(FromBytes(cell.AsText()));
            break;
        case CellKind::WideText:
            j.String(FromUnits(cell.AsWideText()));
            break;
        case CellKind::Formula: {
            const CellFormula* f = cell.Formula();
            if (f->IsNumber())
                j.Double(f->Number());
            else if (f->m_bHasString)
                j.String(FromUnits(f->m_strWide.c_str()));
            else
                j.Null();
            break;
        }
        default:
            j.Null();
            break;
    }
}

// Sends what the writer has produced so far to stdout, so a large sheet never sits in
// memory as text.
void Flush(std::string& out, bool force) {
    if (force || out.size() >= (1u << 16)) {
        WriteStdout(out);
        out.clear();
    }
}

}  // namespace

int RunDumpXls(const Args& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fprintf(stderr, "usage: kovracli dump-xls FILE.xls\n");
        return 2;
    }
    ExcelFile file;
    if (!file.OpenFile(args[0])) {
        std::fprintf(stderr, "kovracli: %s: not a readable Excel 97-2003 workbook\n",
                     args[0].c_str());
        return 1;
    }
    std::string out;
    JsonWriter j(out);
    j.BeginObject().Key("sheets").BeginArray();
    const auto& bound = file.Globals().m_boundSheets;
    for (int i = 0; i < file.SheetCount(); ++i) {
        ExcelSheet& sheet = *file.SheetAt(i);
        j.BeginObject();
        j.Key("name");
        if (size_t(i) < bound.size()) {
            const auto& name = bound[size_t(i)].m_name;
            j.String(name.IsWide() ? FromUnits(name.m_wstr.c_str())
                                   : FromBytes(name.m_str.c_str()));
            j.Key("wide_name").Bool(name.IsWide());
        } else {
            j.Null();
            j.Key("wide_name").Bool(false);
        }
        j.Key("rows").Int(sheet.RowCount());
        j.Key("columns").Int(sheet.ColumnCount());
        j.Key("cells").BeginArray();
        for (int32_t r = 0; r < sheet.RowCount(); ++r) {
            for (int32_t c = 0; c < sheet.ColumnCount(); ++c) {
                const ExcelCell& cell = *sheet.PeekCell(r, c);
                if (cell.Kind() == CellKind::Empty) continue;
                j.BeginObject();
                j.Key("row").Int(r).Key("col").Int(c).Key("kind").String(KindName(cell.Kind()));
                j.Key("value");
                CellValue(j, cell);
                j.EndObject();
            }
            Flush(out, false);
        }
        j.EndArray();
        j.Key("merged").BeginArray();
        for (int32_t r = 0; r < sheet.RowCount(); ++r) {
            for (int32_t c = 0; c < sheet.ColumnCount(); ++c) {
                const ExcelCell& cell = *sheet.PeekCell(r, c);
                if (cell.MergeRowSpan() <= 1 && cell.MergeColumnSpan() <= 1) continue;
                j.BeginObject();
                j.Key("row").Int(r).Key("col").Int(c);
                j.Key("rows").Int(cell.MergeRowSpan()).Key("cols").Int(cell.MergeColumnSpan());
                j.EndObject();
            }
        }
        j.EndArray();
        j.EndObject();
    }
    j.EndArray().EndObject();
    out += '\n';
    Flush(out, true);
    return 0;
}
