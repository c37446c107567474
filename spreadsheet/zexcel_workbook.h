// Workbook globals: their records, the shared string table, and reading and writing them.
#pragma once

#include <cstdint>
#include <vector>

#include "spreadsheet/zexcel_record.h"

namespace ZExcel {

class Workbook {
public:
    class Window1 : public Record {
    public:
        uint16_t m_nX = 120, m_nY = 120, m_nWidth = 15135, m_nHeight = 9300;
        uint16_t m_nOptions = 0x0038, m_nActiveSheet = 0, m_nFirstTab = 0, m_nSelected = 1;
        uint16_t m_nTabRatio = 600;

        Window1() : Record(CODE_WINDOW1) { DataSize(), RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = 18; }
        uint32_t RecordSize() override { return m_nRecordSize = 22; }
    };

    class Font : public Record {
    public:
        uint16_t m_nHeight = 200, m_nOptions = 0, m_nColour = 0x7FFF, m_nWeight = 400;
        uint16_t m_nEscapement = 0;
        uint8_t m_nUnderline = 0, m_nFamily = 0, m_nCharSet = 0, m_nReserved = 0;
        ShortText m_name;
        bool m_bRaw = false;  // did not decode: kept and written back as its bytes

        Font();
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override;
        uint32_t RecordSize() override {
            return m_nRecordSize = m_bRaw ? RawRecordSize() : DataSize() + 4;
        }
    };

    class Format : public Record {
    public:
        uint16_t m_nIndex = 0;
        UnicodeText m_text;
        bool m_bRaw = false;  // did not decode: kept and written back as its bytes

        // Indexes below this are the built-in formats, which are never written.
        static constexpr uint16_t kFirstUserIndex = 164;

        Format();
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override {
            return m_nDataSize = uint32_t(m_bRaw ? m_data.size() : 2 + m_text.FileSize());
        }
        uint32_t RecordSize() override {
            return m_nRecordSize = m_bRaw ? RawRecordSize() : DataSize() + 4;
        }
        // Written back: user formats, and whatever did not decode (its index is unsure).
        bool IsWritten() const { return m_bRaw || m_nIndex >= kFirstUserIndex; }
    };

    class XF : public Record {
    public:
        uint16_t m_nFont = 0, m_nFormat = 0, m_nTypeProtection = 0xFFF5;
        uint8_t m_nAlignment = 0x20, m_nRotation = 0, m_nIndent = 0, m_nUsed = 0;
        uint32_t m_nBorderLines = 0, m_nBorderColours = 0;
        uint16_t m_nPatternColours = 0x20C0;
        bool m_bRaw = false;  // too short to decode: kept and written back as its bytes

        XF() : Record(CODE_XF) { DataSize(), RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = m_bRaw ? uint32_t(m_data.size()) : 20; }
        uint32_t RecordSize() override { return m_nRecordSize = m_bRaw ? RawRecordSize() : 24; }
    };

    class Style : public Record {
    public:
        uint16_t m_nXF = 0x8000;  // bit 15: built-in style
        uint8_t m_nBuiltInId = 0, m_nLevel = 0xFF;
        UnicodeText m_name;   // user-defined styles only
        bool m_bRaw = false;  // did not decode: kept and written back as its bytes

        Style() : Record(CODE_STYLE) { DataSize(), RecordSize(); }
        bool IsBuiltIn() const { return m_nXF & 0x8000; }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override {
            if (m_bRaw) return m_nDataSize = uint32_t(m_data.size());
            return m_nDataSize = IsBuiltIn() ? 4 : uint32_t(2 + m_name.FileSize());
        }
        uint32_t RecordSize() override {
            return m_nRecordSize = m_bRaw ? RawRecordSize() : DataSize() + 4;
        }
    };

    class BoundSheet : public Record {
    public:
        uint32_t m_nPosition = 0;  // stream position of the sheet's BOF
        uint8_t m_nVisibility = 0, m_nType = 0;
        ShortText m_name;

        BoundSheet();
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = uint32_t(6 + m_name.FileSize()); }
        uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
    };

    class SharedStringTable : public Record {
    public:
        uint32_t m_nTotal = 0, m_nUnique = 0;
        std::vector<UnicodeText> m_strings;

        SharedStringTable() : Record(CODE_SST) { DataSize(), RecordSize(); }
        // Fails for a unique count that the record's data cannot hold, or strings that run
        // past its end.
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        // Lays the strings out over the record and its CONTINUE records; the split points
        // become the continue offsets that Write uses.
        uint32_t DataSize() override;
        uint32_t RecordSize() override;
    };

    class ExtSST : public Record {
    public:
        struct Bucket {
            uint32_t m_nPosition = 0;
            uint16_t m_nOffset = 0, m_nReserved = 0;
        };
        uint16_t m_nPerBucket = 0;
        std::vector<Bucket> m_buckets;

        ExtSST() : Record(CODE_EXTSST) { DataSize(), RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = uint32_t(2 + 8 * m_buckets.size()); }
        uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
    };

    BOF m_bof{BOF::kGlobals};
    Window1 m_window1;
    std::vector<Font> m_fonts;
    std::vector<XF> m_xfs;
    std::vector<Style> m_styles;
    std::vector<Format> m_formats;
    std::vector<BoundSheet> m_boundSheets;
    SharedStringTable m_sst;
    ExtSST m_extSst;
    ZEOF m_eof;
    // A FILEPASS record was met: everything after it is encrypted, so the read stopped there.
    bool m_bEncrypted = false;

    // Back to the values a workbook has before anything is read.
    void Reset() { *this = Workbook(); }
    // Reads the globals substream at the front of bytes, from its BOF through its EOF.
    // Returns the bytes consumed, 0 for malformed input, a missing EOF or an encrypted
    // workbook; *failedAt then tells where in bytes the record that stopped it begins.
    // FONT, FORMAT, XF and STYLE records whose fields do not decode are kept as they are:
    // the library only carries them along.
    size_t Read(ByteSpan bytes, size_t* failedAt = nullptr);
    // Sum of the record sizes of what Write emits.
    uint32_t Size();
    // Appends the globals in their write order; returns the bytes written.
    size_t Write(std::vector<uint8_t>& out);
};

}  // namespace ZExcel
