// BIFF8 record base with CONTINUE handling, the two text forms, BOF/EOF and record codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ZExcel {

// A read-only view of bytes inside the workbook stream.
struct ByteSpan {
    const uint8_t* p = nullptr;
    size_t n = 0;
};

enum RecordCode : uint16_t {
    CODE_FORMULA = 0x0006,
    CODE_EOF = 0x000A,
    CODE_FILEPASS = 0x002F,
    CODE_FONT = 0x0031,
    CODE_CONTINUE = 0x003C,
    CODE_WINDOW1 = 0x003D,
    CODE_COLINFO = 0x007D,
    CODE_WSBOOL = 0x0081,
    CODE_BOUNDSHEET = 0x0085,
    CODE_SHRFMLA_OLD = 0x00BC,
    CODE_MULRK = 0x00BD,
    CODE_MULBLANK = 0x00BE,
    CODE_DBCELL = 0x00D7,
    CODE_XF = 0x00E0,
    CODE_MERGEDCELLS = 0x00E5,
    CODE_SST = 0x00FC,
    CODE_LABELSST = 0x00FD,
    CODE_EXTSST = 0x00FF,
    CODE_DIMENSIONS = 0x0200,
    CODE_BLANK = 0x0201,
    CODE_NUMBER = 0x0203,
    CODE_LABEL = 0x0204,
    CODE_BOOLERR = 0x0205,
    CODE_STRING = 0x0207,
    CODE_ROW = 0x0208,
    CODE_INDEX = 0x020B,
    CODE_ARRAY = 0x0221,
    CODE_TABLE = 0x0236,
    CODE_WINDOW2 = 0x023E,
    CODE_RK = 0x027E,
    CODE_STYLE = 0x0293,
    CODE_FORMULA_OLD = 0x0406,  // the earlier code of FORMULA, which some writers still use
    CODE_FORMAT = 0x041E,
    CODE_SHRFMLA = 0x04BC,
    CODE_BOF = 0x0809,
    // BOF codes of the formats before Excel 5.0.
    CODE_BOF_BIFF2 = 0x0009,
    CODE_BOF_BIFF3 = 0x0209,
    CODE_BOF_BIFF4 = 0x0409,
};

// Largest data part of one record on file; longer data goes on in CONTINUE records.
constexpr uint32_t kMaxRecordData = 8224;

// Code and data length of the record at the front of bytes; false when not even the
// 4-byte header is there.
bool PeekHeader(ByteSpan bytes, uint16_t& code, uint16_t& length);
// Stream bytes taken by the record at the front of bytes together with the CONTINUE records
// that follow it; 0 when the record runs past the end of bytes.
size_t SkipRecord(ByteSpan bytes);

// Base of every record class. Read and Write are the only ways records meet the stream.
class Record {
public:
    uint16_t m_nCode = 0;
    std::vector<uint8_t> m_data;              // data with CONTINUE data appended
    uint32_t m_nDataSize = 0;                 // data bytes, no headers
    uint32_t m_nRecordSize = 4;               // stream bytes: headers of all pieces included
    std::vector<uint32_t> m_continueOffsets;  // where each CONTINUE piece starts in m_data

    Record() = default;
    explicit Record(uint16_t code) : m_nCode(code) {}
    Record(const Record&) = default;
    Record(Record&&) noexcept = default;
    Record& operator=(const Record&) = default;
    Record& operator=(Record&&) noexcept = default;
    virtual ~Record();
    // Reads the record at the front of bytes and any CONTINUE records after it. Returns the
    // stream bytes consumed, 0 when the input is malformed (nothing usable is left then).
    virtual size_t Read(ByteSpan bytes);
    // Appends the record to out, split into CONTINUE records as described at WritePieces.
    // Returns the bytes written.
    virtual size_t Write(std::vector<uint8_t>& out);
    virtual uint32_t DataSize();
    virtual uint32_t RecordSize();

protected:
    // Size of the record as read, for records kept as their bytes because their fields did
    // not decode; writing them with WritePieces reproduces them exactly.
    uint32_t RawRecordSize() const {
        return uint32_t(m_data.size() + 4 + 4 * m_continueOffsets.size());
    }
    // What Read does, for records that decode their fields at once: data points into the
    // stream, and only CONTINUE pieces are joined into m_data, so that reading the thousands
    // of ROW and cell records of a sheet allocates nothing per record.
    size_t ReadData(ByteSpan bytes, ByteSpan& data);
    // Appends m_data as a record and its CONTINUE pieces: at the recorded continue offsets
    // when there are any (so split points read from a file come back exactly), else in
    // pieces of kMaxRecordData bytes.
    size_t WritePieces(std::vector<uint8_t>& out) const;
};

// Appends a record header and returns where its n data bytes go. Fixed-size records encode
// straight into the output with it, which is what Write of m_data would produce for them.
uint8_t* AppendRecord(std::vector<uint8_t>& out, uint16_t code, size_t n);

// Text with an 8-bit count (font and sheet names).
class ShortText {
public:
    uint8_t m_nFlags = 0;   // bit 0: 16-bit characters
    std::string m_str;      // 8-bit characters, used when bit 0 is clear
    std::u16string m_wstr;  // 16-bit characters, used when bit 0 is set

    bool IsWide() const { return m_nFlags & 1; }
    // Number of characters on file (at most 255).
    size_t Length() const { return IsWide() ? m_wstr.size() : m_str.size(); }
    size_t FileSize() const { return 2 + Length() * (IsWide() ? 2 : 1); }
    // Reads from data at pos; false when the text runs past the end.
    bool Read(const uint8_t* data, size_t size, size_t& pos);
    void Write(uint8_t* p) const;
    void Set8(const std::string& s);
    void Set16(const std::u16string& s);
};

// Text with a 16-bit count (formats, style names, shared strings, formula strings).
class UnicodeText {
public:
    std::u16string m_wstr;    // used when bit 0 of the flags is set
    std::string m_str;        // used otherwise
    uint8_t m_nFlags = 0xFF;  // 0xFF: form not yet known; bits: 0 16-bit, 2 phonetic, 3 runs
    uint16_t m_nRuns = 0;
    uint32_t m_nPhoneticSize = 0;

    bool IsWide() const { return m_nFlags != 0xFF && (m_nFlags & 1); }
    size_t Length() const { return IsWide() ? m_wstr.size() : m_str.size(); }
    // Character bytes on file.
    size_t CharBytes() const { return Length() * (IsWide() ? 2 : 1); }
    // Bytes on file as written: count, flags, characters (runs and phonetic data are never
    // written).
    size_t FileSize() const { return 3 + CharBytes(); }
    // Reads one text from data at pos. Continue offsets mark where a CONTINUE piece begins;
    // characters that reach one go on after a fresh flags byte there. False when malformed.
    bool Read(const uint8_t* data, size_t size, size_t& pos,
              const std::vector<uint32_t>* continueOffsets = nullptr);
    void Set8(const std::string& s);
    void Set16(const std::u16string& s);
};

// Lays out texts that follow a start size inside a record and its CONTINUE records: each
// text that does not fit whole is either split (with a flags byte opening every CONTINUE
// piece) or moved into a new record. Returns the data size; the split points are appended
// to offsets.
uint32_t LayoutTexts(uint32_t size, const UnicodeText* texts, size_t count,
                     std::vector<uint32_t>& offsets);
// Writes texts laid out by LayoutTexts into data from pos on, inserting the flags byte at
// every split point that falls inside a text's characters.
void WriteTexts(const UnicodeText* texts, size_t count, const std::vector<uint32_t>& offsets,
                std::vector<uint8_t>& data, size_t pos);

// The 8-bit/16-bit conversion used wherever a text changes form: byte value = code unit, and
// '?' for units beyond 255.
std::u16string Widen(const std::string& s);
std::string Narrow(const std::u16string& s);

// Beginning of a substream.
class BOF : public Record {
public:
    uint16_t m_nVersion = 0x0600;
    uint16_t m_nType = 0x0005;
    uint16_t m_nBuildId = 0x19A0;
    uint16_t m_nBuildYear = 0x07CD;
    uint32_t m_nHistoryFlags = 0x0000C0C9;
    uint32_t m_nLowestVersion = 0x00000306;

    static constexpr uint16_t kGlobals = 0x0005;
    static constexpr uint16_t kWorksheet = 0x0010;
    static constexpr uint16_t kBiff8 = 0x0600;
    // Older writers end the BOF after the build year; later fields then keep their values.
    static constexpr size_t kMinSize = 8;

    explicit BOF(uint16_t type = kGlobals) : Record(CODE_BOF), m_nType(type) {
        m_nDataSize = 16;
        m_nRecordSize = 20;
    }
    // Fails (returns 0) for a BOF shorter than kMinSize.
    size_t Read(ByteSpan bytes) override;
    size_t Write(std::vector<uint8_t>& out) override;
    uint32_t DataSize() override { return m_nDataSize = 16; }
    uint32_t RecordSize() override { return m_nRecordSize = 20; }
};

// End of a substream.
class ZEOF : public Record {
public:
    ZEOF() : Record(CODE_EOF) {}
    size_t Write(std::vector<uint8_t>& out) override;
    uint32_t DataSize() override { return m_nDataSize = 0; }
    uint32_t RecordSize() override { return m_nRecordSize = 4; }
};

}  // namespace ZExcel
