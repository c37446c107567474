// Camera CSV reader: RFC 4180 fields, columns found by their header names, every value
// through the camera rules.
#include "exchange/cam_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "base/file_io.h"
#include "camdata/camera_list.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_record.h"

namespace exchange {

namespace {

const uint64_t kMaxFileBytes = 256u << 20;
const char kSeparators[] = {',', ';', '\t'};

struct ColumnNames {
    const char* what;        // in messages
    const char* names;       // the header names, as messages list them
    const char* aliases[4];  // the header names, lower case
};
const ColumnNames kColumns[CamColumnCount] = {
    {"latitude", "lat, latitude or y", {"lat", "latitude", "y"}},
    {"longitude", "lon, lng, longitude or x", {"lon", "lng", "longitude", "x"}},
    {"bearing", "bearing, angle or heading", {"bearing", "angle", "heading"}},
    {"speed limit", "speed, speed_limit or limit", {"speed", "speed_limit", "limit"}},
    {"camera type", "type or camera_type", {"type", "camera_type"}},
    {"direction type", "dir or dir_type", {"dir", "dir_type"}},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The camera column a header name stands for, -1 for none. Case, blanks around the name and
// blanks or hyphens instead of underscores do not matter: "Speed Limit" is "speed_limit".
int ColumnOfName(std::string_view name) {
    std::string n(Trim(name));
    for (char& c : n) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c == ' ' || c == '-') c = '_';
    }
    for (int col = 0; col < CamColumnCount; ++col)
        for (const char* alias : kColumns[col].aliases)
            if (alias && n == alias) return col;
    return -1;
}

// Splits the text into rows of fields. Rows end at LF, CR LF or a lone CR outside quotes.
class CsvScanner {
public:
    CsvScanner(const char* p, const char* end, char separator)
        : m_p(p), m_end(end), m_sep(separator) {}

    // Where a row and its fields stand in the text, for rewriting parts of it.
    struct FieldSpan {
        const char* begin;  // the first byte that is not a blank: a quote when quoted
        const char* end;    // after the closing quote, or after the last byte that is not a blank
        bool quoted;
    };
    struct RowSpan {
        const char* begin;
        const char* content;  // where the line ending starts
        const char* end;      // after the line ending
        std::vector<FieldSpan> fields;
    };

    // The next row and the line it starts on; false at the end of the text or on an error.
    // With span, where the row and each field stand.
    bool Next(std::vector<std::string>* fields, int* line, std::string* error, RowSpan* span = nullptr) {
        fields->clear();
        *line = m_line;
        if (span) {
            span->begin = m_p;
            span->fields.clear();
        }
        if (m_p == m_end) return false;
        for (;;) {
            std::string field;
            const char* q = m_p;
            while (q < m_end && IsBlank(*q) && *q != m_sep) ++q;
            FieldSpan at{q, q, false};
            if (q < m_end && *q == '"') {
                m_p = q + 1;
                if (!Quoted(&field, error, &at.end)) return false;
                at.quoted = true;
            } else {
                while (m_p < m_end && *m_p != m_sep && *m_p != '\n' && *m_p != '\r')
                    field += *m_p++;
                at.end = m_p;
                while (at.end > at.begin && IsBlank(at.end[-1])) --at.end;
            }
            fields->push_back(std::move(field));
            if (span) {
                span->fields.push_back(at);
                span->content = m_p;
            }
            if (m_p == m_end) {
                if (span) span->end = m_p;
                return true;
            }
            if (*m_p == m_sep) {
                ++m_p;
                continue;
            }
            EndLine();
            if (span) span->end = m_p;
            return true;
        }
    }

private:
    bool Quoted(std::string* field, std::string* error, const char** closed) {
        const int opened = m_line;
        for (;;) {
            if (m_p == m_end) {
                *error = "line " + std::to_string(opened) + ": a quoted field is not closed";
                return false;
            }
            const char c = *m_p;
            if (c == '"') {
                ++m_p;
                if (m_p < m_end && *m_p == '"') {
                    *field += '"';
                    ++m_p;
                    continue;
                }
                *closed = m_p;
                break;
            }
            if (c == '\n' || c == '\r') {
                const char* from = m_p;
                EndLine();
                field->append(from, m_p);
                continue;
            }
            *field += c;
            ++m_p;
        }
        while (m_p < m_end && IsBlank(*m_p) && *m_p != m_sep) ++m_p;
        if (m_p < m_end && *m_p != m_sep && *m_p != '\n' && *m_p != '\r') {
            *error = "line " + std::to_string(m_line) + ": text follows a closing quote";
            return false;
        }
        return true;
    }

    void EndLine() {
        if (*m_p == '\r' && m_p + 1 < m_end && m_p[1] == '\n') ++m_p;
        ++m_p;
        ++m_line;
    }

    const char* m_p;
    const char* m_end;
    char m_sep;
    int m_line = 1;
};

// The text without a UTF-8 byte order mark; false for UTF-16, which is not read.
bool SkipBom(const char** p, const char* end, std::string* error) {
    const size_t n = size_t(end - *p);
    if (n >= 2 && ((uint8_t((*p)[0]) == 0xFF && uint8_t((*p)[1]) == 0xFE) ||
                   (uint8_t((*p)[0]) == 0xFE && uint8_t((*p)[1]) == 0xFF))) {
        if (error) *error = "the text is UTF-16; save it as UTF-8";
        return false;
    }
    if (n >= 3 && std::memcmp(*p, "\xEF\xBB\xBF", 3) == 0) *p += 3;
    return true;
}

struct Header {
    char separator = ',';
    int index[CamColumnCount];  // field position of each camera column, -1 when absent
    int found = 0;
    std::string twice;  // a column named twice, for the refusal
};

Header ReadHeader(const char* p, const char* end, char sep) {
    Header h;
    h.separator = sep;
    for (int& i : h.index) i = -1;
    CsvScanner scan(p, end, sep);
    std::vector<std::string> names;
    int line;
    std::string error;
    scan.Next(&names, &line, &error);
    for (size_t i = 0; i < names.size(); ++i) {
        const int col = ColumnOfName(names[i]);
        if (col < 0) continue;
        if (h.index[col] >= 0) {
            if (h.twice.empty())
                h.twice = "the header names the " + std::string(kColumns[col].what) +
                          " twice (columns " + std::to_string(h.index[col] + 1) + " and " +
                          std::to_string(i + 1) + ")";
            continue;
        }
        h.index[col] = int(i);
        ++h.found;
    }
    return h;
}

// The separator whose split of the header line finds the most camera columns; commas win ties.
Header DetectHeader(const char* p, const char* end) {
    Header best = ReadHeader(p, end, kSeparators[0]);
    for (size_t i = 1; i < sizeof kSeparators; ++i) {
        Header h = ReadHeader(p, end, kSeparators[i]);
        if (h.found > best.found) best = h;
    }
    return best;
}

enum class Number { Ok, Empty, NotNumber, NotWhole, OutOfRange };

// A decimal number with a point and an optional exponent, and nothing else in the field.
Number ParseReal(std::string_view s, double* v) {
    s = Trim(s);
    if (s.empty()) return Number::Empty;
    // One sign at most: "+-55.1" is no number, though from_chars would read "-55.1" of it.
    const bool plus = s.front() == '+';
    if (plus) s.remove_prefix(1);
    if (plus && !s.empty() && s.front() == '-') return Number::NotNumber;
    const size_t digit = !s.empty() && s.front() == '-' ? 1 : 0;
    // from_chars would also take "inf" and "nan", which no camera value is.
    if (s.size() <= digit || !(std::isdigit(uint8_t(s[digit])) || s[digit] == '.'))
        return Number::NotNumber;
    double d = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (r.ec == std::errc::result_out_of_range) return Number::OutOfRange;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return Number::NotNumber;
    *v = d;
    return Number::Ok;
}

// Whole numbers in any form a spreadsheet may write them: "60", "60.0", "6e1".
Number ParseWhole(std::string_view s, int32_t* v) {
    double d;
    const Number n = ParseReal(s, &d);
    if (n != Number::Ok) return n;
    if (d != std::trunc(d)) return Number::NotWhole;
    if (d < -2147483648.0 || d > 2147483647.0) return Number::OutOfRange;
    *v = int32_t(d);
    return Number::Ok;
}

// What a message quotes of a value: the value, or its start when it is long (a damaged file
// can hold megabytes in one field), never cut inside a UTF-8 character.
std::string QuotedPart(std::string_view text) {
    constexpr size_t kLongest = 40;
    if (text.size() <= kLongest) return std::string(text);
    size_t n = kLongest;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    return std::string(text.substr(0, n)) + "...";
}

std::string NumberReason(Number n, std::string_view text) {
    switch (n) {
        case Number::Empty:
            return "empty";
        case Number::NotWhole:
            return "not a whole number";
        case Number::OutOfRange:
            return "out of range";
        default:
            break;
    }
    if (text.find(',') != std::string_view::npos) {
        std::string pointed(text);
        for (char& c : pointed)
            if (c == ',') c = '.';
        double d;
        if (ParseReal(pointed, &d) == Number::Ok)
            return "not a number (the decimal sign is a point)";
    }
    return "not a number";
}

std::string RuleReason(int col, const std::wstring& typeList) {
    switch (col) {
        case CamLatitude:
            return "outside -89.9...89.9";
        case CamLongitude:
            return "outside -180...180";
        case CamBearingAngle:
            return "outside 0...359";
        case CamSpeedLimit:
            return "outside 0...180";
        case CamCameraType:
            return "not in the type list \"" + kovra::ToUtf8(typeList) + "\"";
        default:
            return "outside 0...2";
    }
}

// Stores the field's value through the column's rule; a value that is no number leaves 0 in
// the record and the column failed, so that it is listed and marked for correction.
void StoreValue(CSpeedCamData* pCam, int col, std::string_view text, const std::wstring* types,
                std::string* reason) {
    double real = 0;
    int32_t whole = 0;
    const Number n = col <= CamLongitude ? ParseReal(text, &real) : ParseWhole(text, &whole);
    switch (col) {
        case CamLatitude:
            pCam->SetLatitude(real);
            break;
        case CamLongitude:
            pCam->SetLongitude(real);
            break;
        case CamBearingAngle:
            pCam->SetBearingAngle(whole);
            break;
        case CamSpeedLimit:
            pCam->SetSpeedLimit(whole);
            break;
        case CamCameraType:
            pCam->SetCameraType(whole, types);
            break;
        default:
            pCam->SetDirType(whole);
            break;
    }
    if (n != Number::Ok) {
        pCam->m_bValid[col] = 0;
        pCam->m_bWasInvalid[col] = 1;
        *reason = NumberReason(n, Trim(text));
    } else if (!pCam->m_bValid[col]) {
        *reason = RuleReason(col, types ? *types : std::wstring());
    }
}

bool AllBlank(const std::vector<std::string>& fields) {
    for (const std::string& f : fields)
        if (!Trim(f).empty()) return false;
    return true;
}

std::string MissingColumns(const Header& h) {
    std::string out;
    for (int col = 0; col < CamColumnCount; ++col) {
        if (h.index[col] >= 0) continue;
        if (!out.empty()) out += ", ";
        out += std::string("the ") + kColumns[col].what + " (" + kColumns[col].names + ")";
    }
    return out;
}

// The text after a byte order mark, with its header; false, with the reason, when the text is
// no camera CSV file.
bool ReadCamHeader(const char** p, const char* end, Header* h, std::string* error) {
    if (!SkipBom(p, end, error)) return false;
    if (std::memchr(*p, 0, size_t(end - *p))) {
        *error = "not a text file";
        return false;
    }
    *h = DetectHeader(*p, end);
    if (!h->twice.empty()) {
        *error = h->twice;
        return false;
    }
    if (h->found == 0) {
        *error =
            "the first line names no camera columns; a header such as "
            "lat,lon,bearing,speed,type,dir is needed";
        return false;
    }
    if (h->found < CamColumnCount) {
        *error = "the header has no column for " + MissingColumns(*h);
        return false;
    }
    return true;
}

}  // namespace

bool ParseCamCsv(const char* data, size_t size, const std::wstring& typeList,
                 CSpeedCamDataSet* pSet, CamCsvReport* report) {
    report->error.clear();
    report->lines.clear();
    report->problems.clear();
    const char* p = data;
    const char* end = data + size;
    Header h;
    if (!ReadCamHeader(&p, end, &h, &report->error)) return false;

    const std::wstring* types = typeList.empty() ? nullptr : &typeList;
    CsvScanner scan(p, end, h.separator);
    std::vector<std::string> fields;
    int line;
    std::string error;
    scan.Next(&fields, &line, &error);  // the header, read above
    while (scan.Next(&fields, &line, &error)) {
        if (AllBlank(fields)) continue;
        CSpeedCamData* pCam = new CSpeedCamData;
        for (int col = 0; col < CamColumnCount; ++col) {
            const size_t at = size_t(h.index[col]);
            const std::string_view text =
                at < fields.size() ? std::string_view(fields[at]) : std::string_view();
            std::string reason;
            StoreValue(pCam, col, text, types, &reason);
            if (reason.empty()) continue;
            if (at >= fields.size()) reason = "missing";
            report->problems.push_back(
                CsvValueProblem{line, int(at) + 1, col, QuotedPart(text), reason});
        }
        pSet->AddCamera(pCam);
        report->lines.push_back(line);
    }
    if (!error.empty()) {
        report->error = error;
        return false;
    }
    return true;
}

bool ImportCamCsv(const std::wstring& typeList, ICameraList* pList, const std::wstring& path,
                  CSpeedCamDataSet* pSet, CamCsvReport* pReport) {
    CamCsvReport local;
    CamCsvReport& report = pReport ? *pReport : local;
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(path, bytes, kMaxFileBytes)) {
        report = CamCsvReport();
        report.error = kovra::FileExists(path) ? "cannot be read, or is larger than 256 MiB"
                                               : "does not exist";
        return false;
    }
    // Read into a set of its own first: a refused file leaves the user's set as it was.
    CSpeedCamDataSet read;
    if (!ParseCamCsv(reinterpret_cast<const char*>(bytes.data()), bytes.size(), typeList, &read,
                     &report))
        return false;

    if (pList) {
        pList->DeleteAllItems();
        pList->SetCameraSet(pSet);
    }
    pSet->RemoveAll(true);
    pSet->SetCameraTypes(typeList);
    for (POSITION pos = read.m_camList.GetHeadPosition(); pos;) {
        CSpeedCamData* pCam = read.m_camList.GetNext(pos);
        pSet->AddCamera(pCam);
        if (pList && !pCam->IsValid()) pList->AddCameraItem(pCam);
    }
    read.RemoveAll(false);
    return true;
}

CsvLineCorrection CorrectionOf(const CSpeedCamData& cam, int line) {
    CsvLineCorrection c;
    c.line = line;
    c.removed = cam.m_bRemoved != 0;
    if (c.removed) return c;
    const int32_t whole[CamColumnCount] = {0, 0, cam.m_nBearingAngle, cam.m_nSpeedLimit,
                                           cam.m_nCameraType, cam.m_nDirType};
    for (int col = 0; col < CamColumnCount; ++col) {
        if (!cam.m_bWasInvalid[col]) continue;
        char buf[64];
        std::to_chars_result r;
        if (col <= CamLongitude)
            r = std::to_chars(buf, buf + sizeof buf,
                              col == CamLatitude ? cam.m_dLatitude : cam.m_dLongitude,
                              std::chars_format::fixed);
        else
            r = std::to_chars(buf, buf + sizeof buf, whole[col]);
        if (r.ec == std::errc()) c.value[col].assign(buf, r.ptr);
    }
    return c;
}

bool PatchCamCsv(std::string_view text, const std::vector<CsvLineCorrection>& corrections,
                 std::string* out, std::string* error) {
    const char* p = text.data();
    const char* end = p + text.size();
    Header h;
    if (!ReadCamHeader(&p, end, &h, error)) return false;
    std::vector<const CsvLineCorrection*> byLine;
    for (const CsvLineCorrection& c : corrections) {
        if (c.line < 1) continue;
        if (byLine.size() <= size_t(c.line)) byLine.resize(size_t(c.line) + 1);
        byLine[size_t(c.line)] = &c;
    }
    std::string patched(text.data(), size_t(p - text.data()));  // the byte order mark
    patched.reserve(text.size());
    CsvScanner scan(p, end, h.separator);
    CsvScanner::RowSpan row;
    std::vector<std::string> fields;
    int line;
    while (scan.Next(&fields, &line, error, &row)) {
        const CsvLineCorrection* c = size_t(line) < byLine.size() ? byLine[size_t(line)] : nullptr;
        if (!c) {
            patched.append(row.begin, row.end);
            continue;
        }
        if (c->removed) continue;
        // The corrected fields in the order they stand in the line.
        std::vector<std::pair<int, const std::string*>> edits;
        for (int col = 0; col < CamColumnCount; ++col)
            if (!c->value[col].empty()) edits.emplace_back(h.index[col], &c->value[col]);
        std::sort(edits.begin(), edits.end());
        const char* from = row.begin;
        int count = int(row.fields.size());
        for (const auto& edit : edits) {
            if (edit.first < count) {
                const CsvScanner::FieldSpan& f = row.fields[size_t(edit.first)];
                patched.append(from, f.begin);
                patched += f.quoted ? "\"" + *edit.second + "\"" : *edit.second;
                from = f.end;
                continue;
            }
            // A field the line lacks: separators up to it, before the line ending.
            patched.append(from, row.content);
            from = row.content;
            patched.append(size_t(edit.first - count + 1), h.separator);
            patched += *edit.second;
            count = edit.first + 1;
        }
        patched.append(from, row.end);
    }
    if (!error->empty()) return false;
    *out = std::move(patched);
    return true;
}

bool LooksLikeCamCsv(const char* data, size_t size) {
    const char* p = data;
    const char* end = data + size;
    if (!SkipBom(&p, end, nullptr)) return false;
    const char* eol = p;
    while (eol < end && *eol != '\n' && *eol != '\r') ++eol;
    if (std::memchr(p, 0, size_t(eol - p))) return false;
    const Header h = DetectHeader(p, eol);
    return h.index[CamLatitude] >= 0 && h.index[CamLongitude] >= 0;
}

bool IsCamCsvFile(const std::wstring& path) {
    std::FILE* f = kovra::OpenFile(path, "rb");
    if (!f) return false;
    char head[4096];
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    static const char kCompound[8] = {'\xD0', '\xCF', '\x11', '\xE0',
                                      '\xA1', '\xB1', '\x1A', '\xE1'};
    if (n >= 8 && std::memcmp(head, kCompound, 8) == 0) return false;
    // A workbook of a later Excel is a ZIP archive: the workbook reader names it.
    if (n >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0) return false;
    // Anything else is judged as text, so that a blank first line or a NUL byte is told as
    // what it is rather than as a damaged workbook.
    return n > 0;
}

std::string FormatCamCsv(const CamCollection& cams) {
    std::string out = "lat,lon,bearing,speed,type,dir,invalid\r\n";
    for (const CamRecord& r : cams.records) {
        const CSpeedCamData& c = r.cam;
        out += CoordinateText(r, CamLatitude) + "," + CoordinateText(r, CamLongitude) + "," +
               std::to_string(c.m_nBearingAngle) + "," + std::to_string(c.m_nSpeedLimit) + "," +
               std::to_string(c.m_nCameraType) + "," + std::to_string(c.m_nDirType) + "," +
               InvalidColumns(r) + "\r\n";
    }
    return out;
}

std::string DescribeProblem(const CsvValueProblem& p) {
    std::string out = "line " + std::to_string(p.line) + ", column " + std::to_string(p.column) +
                      " (" + kColumns[p.camColumn].what + "): ";
    if (p.reason == "empty" || p.reason == "missing") return out + p.reason;
    return out + "\"" + p.text + "\" is " + p.reason;
}

}  // namespace exchange
