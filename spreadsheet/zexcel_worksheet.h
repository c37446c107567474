// Worksheet records, the cell table of row blocks and cell handles, and the worksheet
// read, write and offset fixing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "spreadsheet/zexcel_record.h"

namespace ZExcel {

// Thrown by the row-block reader when a sheet ends (EOF) inside a row block, which is how a
// sheet without DBCELL records ends. Caught by the worksheet reader; never leaves it.
struct EXCEPTION_ZEOF {
    size_t m_nConsumed;  // bytes of the row block up to and including the EOF
};

// RK value to number: *isInteger tells whether it is the integer *integer or the double
// returned.
double DecodeRK(uint32_t rk, bool* isInteger, int32_t* integer);
// Number to RK value. Integers fit in the signed 30-bit range; a double encodes when it has
// at most two decimals in a way the RK forms hold exactly, which is tested by decoding the
// result and comparing. False when the value must be written as NUMBER.
bool EncodeRK(int32_t value, uint32_t* rk);
bool EncodeRK(double value, uint32_t* rk);

// FORMULA under its BIFF8 code or the earlier one that some writers of BIFF8 files still use.
inline bool IsFormulaCode(uint16_t code) {
    return code == CODE_FORMULA || code == CODE_FORMULA_OLD;
}

// Skips a substream (BOF through its matching EOF, nested ones included) at the front of
// bytes; returns the bytes taken, 0 when it does not end.
size_t SkipSubstream(ByteSpan bytes);

class Worksheet {
public:
    class Index : public Record {
    public:
        uint32_t m_nReserved = 0, m_nFirstRow = 0, m_nLastRowPlus1 = 0, m_nDefColWidthPos = 0;
        std::vector<uint32_t> m_dbCells = std::vector<uint32_t>(1, 0);

        Index() : Record(CODE_INDEX) { RecordSize(); }
        // Fails for a row range beyond the 65536 rows a sheet can have.
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = uint32_t(16 + 4 * m_dbCells.size()); }
        uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
    };

    class ColInfo : public Record {
    public:
        uint16_t m_nFirst = 0, m_nLast = 255, m_nWidth = 2560, m_nXF = 0, m_nOptions = 0;
        uint16_t m_nReserved = 0;

        ColInfo() : Record(CODE_COLINFO) { RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = 12; }
        uint32_t RecordSize() override { return m_nRecordSize = 16; }
    };

    class ColInfos : public std::vector<ColInfo> {
    public:
        uint32_t Size();
        size_t Write(std::vector<uint8_t>& out);
    };

    class Dimensions : public Record {
    public:
        uint32_t m_nFirstRow = 0, m_nLastRowPlus1 = 0;
        uint16_t m_nFirstColumn = 0, m_nLastColumnPlus1 = 0, m_nReserved = 0;

        Dimensions() : Record(CODE_DIMENSIONS) { RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = 14; }
        uint32_t RecordSize() override { return m_nRecordSize = 18; }
    };

    class CellTable {
    public:
        class RowBlock {
        public:
            class Row : public Record {
            public:
                uint16_t m_nRow = 0, m_nFirstColumn = 0, m_nLastColumnPlus1 = 0;
                uint16_t m_nHeight = 255, m_nReserved1 = 0, m_nReserved2 = 0;
                uint32_t m_nOptions = 0x00000100;

                Row() : Record(CODE_ROW) { RecordSize(); }
                size_t Read(ByteSpan bytes) override;
                size_t Write(std::vector<uint8_t>& out) override;
                uint32_t DataSize() override { return m_nDataSize = 16; }
                uint32_t RecordSize() override { return m_nRecordSize = 20; }
            };

            // A handle to one cell record. Copies share the record, which goes with the last
            // of them. A handle read from a stream keeps a view of the record's bytes and
            // decodes it only when asked for the record object, so reading a large sheet
            // costs no allocation per cell.
            class CellBlock {
            public:
                class Blank : public Record {
                public:
                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    Blank() : Record(CODE_BLANK) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override { return m_nDataSize = 6; }
                    uint32_t RecordSize() override { return m_nRecordSize = 10; }
                };
                class BoolErr : public Record {
                public:
                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    uint8_t m_nValue = 0, m_nIsError = 0;
                    BoolErr() : Record(CODE_BOOLERR) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override { return m_nDataSize = 8; }
                    uint32_t RecordSize() override { return m_nRecordSize = 12; }
                };
                class LabelSST : public Record {
                public:
                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    uint32_t m_nIndex = 0;
                    LabelSST() : Record(CODE_LABELSST) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override { return m_nDataSize = 10; }
                    uint32_t RecordSize() override { return m_nRecordSize = 14; }
                };
                class Number : public Record {
                public:
                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    double m_dValue = 0;
                    Number() : Record(CODE_NUMBER) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override { return m_nDataSize = 14; }
                    uint32_t RecordSize() override { return m_nRecordSize = 18; }
                };
                class RK : public Record {
                public:
                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    uint32_t m_nValue = 0;
                    RK() : Record(CODE_RK) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override { return m_nDataSize = 10; }
                    uint32_t RecordSize() override { return m_nRecordSize = 14; }
                };
                class MulBlank : public Record {
                public:
                    uint16_t m_nRow = 0, m_nFirstColumn = 0;
                    std::vector<uint16_t> m_xfs;
                    uint16_t m_nLastColumn = 0;
                    MulBlank() : Record(CODE_MULBLANK) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override {
                        return m_nDataSize = uint32_t(6 + 2 * m_xfs.size());
                    }
                    uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
                };
                class MulRK : public Record {
                public:
                    struct Entry {
                        uint16_t m_nXF = 0;
                        uint32_t m_nValue = 0;
                    };
                    uint16_t m_nRow = 0, m_nFirstColumn = 0;
                    std::vector<Entry> m_entries;
                    uint16_t m_nLastColumn = 0;
                    MulRK() : Record(CODE_MULRK) { RecordSize(); }
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override {
                        return m_nDataSize = uint32_t(6 + 6 * m_entries.size());
                    }
                    uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
                };
                class Formula : public Record {
                public:
                    // Shared-formula and array records carry a range and tokens.
                    class RangeRecord : public Record {
                    public:
                        uint16_t m_nFirstRow = 0, m_nLastRow = 0;
                        uint8_t m_nFirstColumn = 0, m_nLastColumn = 0;
                        std::vector<uint8_t> m_tokens;
                        explicit RangeRecord(uint16_t code) : Record(code) {}
                    };
                    class Array : public RangeRecord {
                    public:
                        uint16_t m_nOptions = 0;
                        uint32_t m_nReserved = 0;
                        Array() : RangeRecord(CODE_ARRAY) { RecordSize(); }
                        size_t Read(ByteSpan bytes) override;
                        size_t Write(std::vector<uint8_t>& out) override;
                        uint32_t DataSize() override {
                            return m_nDataSize = uint32_t(12 + m_tokens.size());
                        }
                        uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
                    };
                    class ShrFmla : public RangeRecord {
                    public:
                        uint16_t m_nReserved = 0;
                        explicit ShrFmla(uint16_t code = CODE_SHRFMLA_OLD) : RangeRecord(code) {
                            RecordSize();
                        }
                        size_t Read(ByteSpan bytes) override;
                        size_t Write(std::vector<uint8_t>& out) override;
                        uint32_t DataSize() override {
                            return m_nDataSize = uint32_t(8 + m_tokens.size());
                        }
                        uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
                    };
                    class ShrFmla1 : public ShrFmla {
                    public:
                        ShrFmla1() : ShrFmla(CODE_SHRFMLA) {}
                    };
                    class Table : public Record {
                    public:
                        uint16_t m_nFirstRow = 0, m_nLastRow = 0;
                        uint8_t m_nFirstColumn = 0, m_nLastColumn = 0;
                        uint16_t m_nOptions = 0;
                        uint16_t m_nInput[4] = {0, 0, 0, 0};
                        Table() : Record(CODE_TABLE) { RecordSize(); }
                        size_t Read(ByteSpan bytes) override;
                        size_t Write(std::vector<uint8_t>& out) override;
                        uint32_t DataSize() override { return m_nDataSize = 16; }
                        uint32_t RecordSize() override { return m_nRecordSize = 20; }
                    };
                    // The cached string result of a formula.
                    class String : public Record {
                    public:
                        uint8_t m_nFlags = 0;  // bit 0: stored in 16 bits
                        std::u16string m_wstr;
                        String() : Record(CODE_STRING) { RecordSize(); }
                        size_t Read(ByteSpan bytes) override;
                        size_t Write(std::vector<uint8_t>& out) override;
                        // Long texts go on in CONTINUE records, each opening with a flags
                        // byte as shared strings do.
                        uint32_t DataSize() override;
                        uint32_t RecordSize() override;

                    private:
                        UnicodeText AsText() const;
                    };

                    uint16_t m_nRow = 0, m_nColumn = 0, m_nXF = 0;
                    uint8_t m_result[8] = {0, 0, 0, 0, 0, 0, 0, 0};
                    uint16_t m_nOptions = 0;
                    uint32_t m_nReserved = 0;
                    std::vector<uint8_t> m_tokens;
                    int32_t m_nAttachedCode = -1;  // TABLE, SHRFMLA or ARRAY after it, or -1
                    Array m_array;
                    ShrFmla m_shrFmla;
                    ShrFmla1 m_shrFmla1;
                    Table m_table;
                    bool m_bHasString = false;
                    String m_string;

                    Formula() : Record(CODE_FORMULA) { RecordSize(); }
                    // Reads the FORMULA, the record attached to it and its STRING, if any.
                    size_t Read(ByteSpan bytes) override;
                    size_t Write(std::vector<uint8_t>& out) override;
                    uint32_t DataSize() override {
                        return m_nDataSize = uint32_t(20 + m_tokens.size());
                    }
                    // All records the cell writes.
                    uint32_t RecordSize() override;
                    Record* Attached();
                };

                CellBlock() = default;
                // A handle owning a default record of code.
                explicit CellBlock(int32_t code) { SetCode(code); }
                // A handle over the bytes of a record read from a stream; they must outlive
                // the handle's use.
                CellBlock(int32_t code, ByteSpan view) : m_nCode(code), m_view(view) {}

                int32_t Code() const { return m_nCode; }
                // Drops the record and holds a default one of code (-1: none).
                void SetCode(int32_t code);
                // The record, decoded from its view on first use; null for code -1.
                Record* Get();
                template <typename T>
                T* As() {
                    return static_cast<T*>(Get());
                }
                // The bytes read from the stream (header included); empty for built ones.
                ByteSpan View() const { return m_view; }
                uint16_t Row();
                uint16_t Column();
                uint32_t RecordSize();
                size_t Write(std::vector<uint8_t>& out);

                static bool IsCellCode(uint16_t code);

            private:
                int32_t m_nCode = -1;
                ByteSpan m_view;
                std::shared_ptr<Record> m_pRecord;
            };

            class DBCell : public Record {
            public:
                uint32_t m_nFirstRowOffset = 0;
                std::vector<uint16_t> m_rowOffsets;
                DBCell() : Record(CODE_DBCELL) { RecordSize(); }
                size_t Read(ByteSpan bytes) override;
                size_t Write(std::vector<uint8_t>& out) override;
                uint32_t DataSize() override {
                    return m_nDataSize = uint32_t(4 + 2 * m_rowOffsets.size());
                }
                uint32_t RecordSize() override { return m_nRecordSize = DataSize() + 4; }
            };

            // Walks the cell records of a block read from a stream, in stream order: each
            // record's bytes (a FORMULA with the records attached to it), header included.
            class CellWalker {
            public:
                explicit CellWalker(ByteSpan view) : m_view(view) {}
                bool Next(uint16_t& code, ByteSpan& record);

            private:
                ByteSpan m_view;
                size_t m_nPos = 0;
            };

            std::vector<Row> m_rows;
            std::vector<CellBlock> m_cells;
            DBCell m_dbCell;
            // A block read from a stream keeps the bytes of its records before the DBCELL
            // and makes its Row records and cell handles from them only when they are asked
            // for: turning a workbook into cells walks the bytes (CellWalker) and never needs
            // them, which spares a large sheet a record object per row and a handle per cell.
            ByteSpan m_view;
            void Materialize();

            uint32_t RowsSize();
            uint32_t CellsSize();
            uint32_t Size();
            size_t Write(std::vector<uint8_t>& out);
        };

        std::vector<RowBlock> m_blocks;

        uint32_t Size();
        size_t Write(std::vector<uint8_t>& out);
    };

    class Window2 : public Record {
    public:
        uint16_t m_nOptions = 0x06B6, m_nFirstRow = 0, m_nFirstColumn = 0, m_nGridColour = 64;
        uint16_t m_nReserved1 = 0, m_nPageBreakZoom = 0, m_nNormalZoom = 0;
        uint32_t m_nReserved2 = 0;

        static constexpr uint16_t kSelected = 0x0200;

        Window2() : Record(CODE_WINDOW2) { RecordSize(); }
        size_t Read(ByteSpan bytes) override;
        size_t Write(std::vector<uint8_t>& out) override;
        uint32_t DataSize() override { return m_nDataSize = 18; }
        uint32_t RecordSize() override { return m_nRecordSize = 22; }
    };

    class MergedCells {
    public:
        // One merged range: a plain value, not a record.
        class MergedCell {
        public:
            uint16_t m_nFirstRow = 0, m_nLastRow = 0, m_nFirstColumn = 0, m_nLastColumn = 0;
            void Read(const uint8_t* p);
            void Write(uint8_t* p) const;
        };
        // Ranges per MERGEDCELLS record: what fits into one record's 8224 data bytes.
        static constexpr size_t kPerRecord = 1027;

        std::vector<MergedCell> m_ranges;

        // Reads the MERGEDCELLS records at the front of bytes; 0 when one is malformed.
        size_t Read(ByteSpan bytes);
        uint32_t Size() const;
        size_t Write(std::vector<uint8_t>& out) const;
    };

    BOF m_bof{BOF::kWorksheet};
    Index m_index;
    ColInfos m_colInfos;
    Dimensions m_dimensions;
    CellTable m_cellTable;
    Window2 m_window2;
    MergedCells m_mergedCells;
    ZEOF m_eof;
    // WSBOOL marked the substream as a dialog sheet, which holds no cells of its own.
    bool m_bDialog = false;

    // Reads the worksheet substream at the front of bytes, from its BOF through its EOF.
    // Cell handles keep views into bytes. Returns the bytes consumed, 0 when malformed;
    // *failedAt then tells where in bytes the record that stopped it begins.
    size_t Read(ByteSpan bytes, size_t* failedAt = nullptr);
    uint32_t Size();
    size_t Write(std::vector<uint8_t>& out);
};

using RowBlock = Worksheet::CellTable::RowBlock;
using CellBlock = Worksheet::CellTable::RowBlock::CellBlock;

// Computes the DBCELL fields and the INDEX positions of every sheet, given that the sheets
// follow globals of globalsSize bytes in order. Returns the stream position of each sheet.
std::vector<uint32_t> FixOffsets(uint32_t globalsSize, std::vector<Worksheet>& sheets);

}  // namespace ZExcel
