// kovracli dump-xls: prints every worksheet of a workbook, its cells and merged ranges, as
// JSON, exactly as the spreadsheet library reads them. A full sheet is 458,745 cells, so the
// JSON is written straight into a buffer that goes to stdout in pieces.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/dump_xls.h"
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

class JsonOut {
public:
    explicit JsonOut(std::FILE* out) : m_out(out) {}
    ~JsonOut() { Flush(); }
    JsonOut& Raw(std::string_view s) {
        m_buf.append(s.data(), s.size());
        return *this;
    }
    JsonOut& Int(int64_t v) {
        char tmp[24];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
        m_buf.append(tmp, r.ptr);
        return *this;
    }
    // 17 significant digits, so every double reads back exactly; NaN and infinities as null.
    JsonOut& Double(double v) {
        if (!std::isfinite(v)) return Raw("null");
        char tmp[32];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::general, 17);
        m_buf.append(tmp, r.ptr);
        return *this;
    }
    // 8-bit text: each byte is the character of the same value.
    JsonOut& Bytes(std::string_view s) {
        m_buf += '"';
        for (unsigned char c : s) Char(c);
        m_buf += '"';
        return *this;
    }
    JsonOut& Units(std::u16string_view s) {
        m_buf += '"';
        for (size_t i = 0; i < s.size(); ++i) {
            uint32_t c = s[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
                s[i + 1] < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;  // a lone surrogate has no UTF-8 form
            }
            Char(c);
        }
        m_buf += '"';
        return *this;
    }
    // Sends what is buffered to stdout once it is large enough.
    void Flush(bool force = true) {
        if (force || m_buf.size() >= (1u << 16)) {
            std::fwrite(m_buf.data(), 1, m_buf.size(), m_out);
            m_buf.clear();
        }
    }

private:
    void Char(uint32_t c) {
        switch (c) {
            case '"':
                m_buf += "\\\"";
                return;
            case '\\':
                m_buf += "\\\\";
                return;
            case '\n':
                m_buf += "\\n";
                return;
            case '\r':
                m_buf += "\\r";
                return;
            case '\t':
                m_buf += "\\t";
                return;
            default:
                break;
        }
        if (c < 0x20) {
            char tmp[8];
            std::snprintf(tmp, sizeof tmp, "\\u%04x", unsigned(c));
            m_buf += tmp;
        } else if (c < 0x80) {
            m_buf += char(c);
        } else if (c < 0x800) {
            m_buf += char(0xC0 | (c >> 6));
            m_buf += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            m_buf += char(0xE0 | (c >> 12));
            m_buf += char(0x80 | ((c >> 6) & 0x3F));
            m_buf += char(0x80 | (c & 0x3F));
        } else {
            m_buf += char(0xF0 | (c >> 18));
            m_buf += char(0x80 | ((c >> 12) & 0x3F));
            m_buf += char(0x80 | ((c >> 6) & 0x3F));
            m_buf += char(0x80 | (c & 0x3F));
        }
    }

    std::FILE* m_out;
    std::string m_buf;
};

void CellValue(JsonOut& j, const ExcelCell& cell) {
    switch (cell.Kind()) {
        case CellKind::Integer:
            j.Int(cell.AsInteger());
            break;
        case CellKind::Double:
            j.Double(cell.AsDouble());
            break;
        case CellKind::Text:
            j.Bytes(cell.TextView());
            break;
        case CellKind::WideText:
            j.Units(cell.WideTextView());
            break;
        case CellKind::Formula: {
            // A number, a string ("" for an empty string), a boolean as 0 or 1; an error has
            // no value and names itself in "error" (see ErrorField).
            const CellFormula* f = cell.Formula();
            switch (f->Result()) {
                case FormulaResult::Number:
                    j.Double(f->Number());
                    break;
                case FormulaResult::String:
                    if (f->m_bHasString)
                        j.Units(f->m_strWide);
                    else
                        j.Raw("null");
                    break;
                case FormulaResult::Boolean:
                    j.Int(f->BooleanValue());
                    break;
                case FormulaResult::EmptyString:
                    j.Raw("\"\"");
                    break;
                default:
                    j.Raw("null");
                    break;
            }
            break;
        }
        default:
            j.Raw("null");
            break;
    }
}

// The text Excel shows for a formula's error result.
const char* ErrorName(uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        case 0x2A:
            return "#N/A";
        default:
            return "#ERROR!";
    }
}

// ,"error":"#DIV/0!" after the value of a formula whose result is an error.
void ErrorField(JsonOut& j, const ExcelCell& cell) {
    const CellFormula* f = cell.Formula();
    if (f && f->Result() == FormulaResult::Error)
        j.Raw(",\"error\":\"").Raw(ErrorName(f->ErrorCode())).Raw("\"");
}

void Sheet(JsonOut& j, const ExcelSheet& sheet, const ZExcel::Workbook::BoundSheet* bound) {
    j.Raw("{\"name\":");
    if (!bound)
        j.Raw("null,\"wide_name\":false");
    else if (bound->m_name.IsWide())
        j.Units(bound->m_name.m_wstr).Raw(",\"wide_name\":true");
    else
        j.Bytes(bound->m_name.m_str).Raw(",\"wide_name\":false");
    j.Raw(",\"rows\":").Int(sheet.RowCount()).Raw(",\"columns\":").Int(sheet.ColumnCount());
    j.Raw(",\"cells\":[");
    bool first = true;
    for (int32_t r = 0; r < sheet.RowCount(); ++r) {
        for (int32_t c = 0; c < sheet.ColumnCount(); ++c) {
            const ExcelCell& cell = sheet.Cell(r, c);
            if (cell.Kind() == CellKind::Empty) continue;
            j.Raw(first ? "{\"row\":" : ",{\"row\":").Int(r).Raw(",\"col\":").Int(c);
            j.Raw(",\"kind\":\"").Raw(KindName(cell.Kind())).Raw("\",\"value\":");
            CellValue(j, cell);
            ErrorField(j, cell);
            j.Raw("}");
            first = false;
        }
        j.Flush(false);
    }
    j.Raw("],\"merged\":[");
    first = true;
    for (int32_t r = 0; r < sheet.RowCount(); ++r) {
        for (int32_t c = 0; c < sheet.ColumnCount(); ++c) {
            const ExcelCell& cell = sheet.Cell(r, c);
            if (cell.MergeRowSpan() <= 1 && cell.MergeColumnSpan() <= 1) continue;
            j.Raw(first ? "{\"row\":" : ",{\"row\":").Int(r).Raw(",\"col\":").Int(c);
            j.Raw(",\"rows\":").Int(cell.MergeRowSpan());
            j.Raw(",\"cols\":").Int(cell.MergeColumnSpan()).Raw("}");
            first = false;
        }
    }
    j.Raw("]}");
}

}  // namespace

int DumpXls(const std::string& path, std::FILE* out, std::FILE* err) {
    ExcelFile file;
    if (!file.OpenFile(path)) {
        std::fprintf(err, "kovracli: %s: not a readable Excel 97-2003 workbook: %s\n", path.c_str(),
                     file.FailureText().c_str());
        return 1;
    }
    JsonOut j(out);
    j.Raw("{\"sheets\":[");
    for (int i = 0; i < file.SheetCount(); ++i) {
        if (i) j.Raw(",");
        Sheet(j, *file.SheetAt(i), file.SheetBound(i));
    }
    j.Raw("]}\n");
    j.Flush();
    std::fflush(out);
    return 0;
}

int RunDumpXls(const Args& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fprintf(stderr, "usage: kovracli dump-xls FILE.xls\n");
        return 2;
    }
    return DumpXls(args[0], stdout, stderr);
}
