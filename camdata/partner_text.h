// The partner's comma-separated camera text file: reading it into a camera set, and writing a
// set back in the same format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSpeedCamDataSet;
class ICameraList;

// Splits the file into lines and lines into fields, and turns accepted camera lines into
// records of the target set. The first line the splitter accepts within its limits is the
// title line; the text after "//" on the first camera line becomes the set's comment.
class CSpeedCamTextReader {
public:
    static const int kLineCapacity = 1024;  // 1023 characters and the end
    static const int kFieldCount = 7;
    static const size_t kMaxToken = 21;

    explicit CSpeedCamTextReader(CSpeedCamDataSet* pSet);

    // Empties the set (with deletion) and reads the file into it. False when the file cannot
    // be opened or read; the records read up to a read error stay.
    bool ReadFile(const std::wstring& path);
    // Feeds bytes as if they were the next part of the file. Finish() ends a last line that no
    // line feed closed.
    void Feed(const uint8_t* p, size_t n);
    void Finish();

    wchar_t m_szLine[kLineCapacity];
    int16_t m_nLineLen;
    std::wstring m_strField[kFieldCount];
    CSpeedCamDataSet* m_pSet;
    std::wstring m_strTitle;
    std::wstring m_strComment;
    // The file line (from 1) each record of the set came from, in list order.
    std::vector<int> m_recordLines;

private:
    void EndLine();
    bool SplitLine();
    void AddCameraFromFields();

    bool m_bLineTooLong;
    int m_nLineNumber;
};

// Reads the file into the set. False (nothing changed) only when the file does not exist.
// The type list, when not empty, is kept as the set's list for later edits; it is not applied
// while reading. Records that fail a rule are added to the list control when one is given.
// pLines, when given, receives the file line of each record.
bool ImportPartnerText(const std::wstring& typeList, const std::wstring& path,
                       CSpeedCamDataSet* pSet, ICameraList* pList,
                       std::vector<int>* pLines = nullptr);

// Writes the set in the partner format: the title line, then one numbered line per record
// with the set's comment. False when the file cannot be written; a failed write leaves the
// old file as it was.
bool ExportPartnerText(const std::wstring& path, const CSpeedCamDataSet* pSet);

// The bytes ExportPartnerText writes.
std::string FormatPartnerText(const CSpeedCamDataSet* pSet);
