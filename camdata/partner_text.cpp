// Partner text reader and writer.
#include "camdata/partner_text.h"

#include <cstdio>

#include "base/file_io.h"
#include "base/text.h"
#include "camdata/camera_list.h"
#include "camdata/speed_cam_data_set.h"

#ifdef _WIN32
#include <share.h>
#endif

CSpeedCamTextReader::CSpeedCamTextReader(CSpeedCamDataSet* pSet)
    : m_nLineLen(0), m_pSet(pSet), m_bLineTooLong(false), m_nLineNumber(0) {
    m_szLine[0] = 0;
}

bool CSpeedCamTextReader::ReadFile(const std::wstring& path) {
    m_pSet->RemoveAll(true);
#ifdef _WIN32
    FILE* f = _wfsopen(path.c_str(), L"rb", _SH_DENYRW);
#else
    FILE* f = kovra::OpenFile(path, "rb");
#endif
    if (!f) return false;
    // Read in chunks: a file of any size costs a fixed amount of memory.
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) Feed(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    Finish();
    return ok;
}

void CSpeedCamTextReader::Feed(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = p[i];
        if (b == '\n') {
            EndLine();
        } else if (b == '\r') {
            // carriage returns are ignored wherever they stand
        } else if (m_nLineLen < kLineCapacity - 1) {
            m_szLine[m_nLineLen++] = wchar_t(b);
        } else {
            // Too long for the line buffer: the whole line is dropped at its end.
            m_bLineTooLong = true;
        }
    }
}

void CSpeedCamTextReader::Finish() {
    // Editors often drop the final line feed; the last line still counts.
    if (m_nLineLen > 0 || m_bLineTooLong) EndLine();
}

void CSpeedCamTextReader::EndLine() {
    ++m_nLineNumber;
    bool tooLong = m_bLineTooLong;
    m_bLineTooLong = false;
    if (m_nLineLen == 0 && !tooLong) return;
    m_szLine[m_nLineLen] = 0;
    bool accepted = !tooLong && SplitLine();
    m_nLineLen = 0;
    if (accepted) AddCameraFromFields();
}

bool CSpeedCamTextReader::SplitLine() {
    for (std::wstring& f : m_strField) f.clear();
    int field = 0;
    std::wstring token;
    bool comment = false;
    for (int i = 0; i <= m_nLineLen; ++i) {
        if (i == m_nLineLen) {
            if (m_strTitle.empty()) {
                m_strTitle = token;
                return false;
            }
            if (!m_strComment.empty()) return false;  // a line without "//" once a comment exists
            if (field == kFieldCount - 1) {
                if (comment || token.empty())
                    m_strComment = token;
                else
                    m_strField[field] = token;
                return true;
            }
            return false;
        }
        wchar_t c = m_szLine[i];
        if (c == L'/') {
            comment = true;
            if (!token.empty()) {
                m_strField[field] = token;
                token.clear();
            }
            if (!m_strComment.empty()) return true;
        } else if (c == L',') {
            m_strField[field] = token;
            ++field;
            token.clear();
        } else {
            token += c;
        }
        if (token.size() > kMaxToken || field >= kFieldCount) return false;
    }
    return false;
}

void CSpeedCamTextReader::AddCameraFromFields() {
    CSpeedCamData* pCam = new CSpeedCamData;
    pCam->SetLongitude(kovra::ParseDecimalReal(m_strField[1]));
    pCam->SetLatitude(kovra::ParseDecimalReal(m_strField[2]));
    pCam->SetCameraType(kovra::ParseDecimalInt(m_strField[3]), nullptr);
    pCam->SetSpeedLimit(kovra::ParseDecimalInt(m_strField[4]));
    pCam->SetDirType(kovra::ParseDecimalInt(m_strField[5]));
    pCam->SetBearingAngle(kovra::ParseDecimalInt(m_strField[6]));
    m_pSet->AddCamera(pCam);
    m_recordLines.push_back(m_nLineNumber);
}

bool ImportPartnerText(const std::wstring& typeList, const std::wstring& path,
                       CSpeedCamDataSet* pSet, ICameraList* pList, std::vector<int>* pLines) {
    if (!kovra::FileExists(path)) return false;
    if (pList) {
        pList->DeleteAllItems();
        pList->SetCameraSet(pSet);
    }
    pSet->RemoveAll(true);
    {
        CSpeedCamTextReader reader(pSet);
        reader.ReadFile(path);
        pSet->m_strComment = reader.m_strComment;
        pSet->m_strTitle = reader.m_strTitle;
        if (pLines) pLines->swap(reader.m_recordLines);
    }
    // Emptying the set clears its type list, so the list is stored after reading: the user's
    // later type edits are tested against it.
    if (!typeList.empty()) pSet->SetCameraTypes(typeList);
    if (pList) {
        for (POSITION pos = pSet->m_camList.GetHeadPosition(); pos;) {
            CSpeedCamData* pCam = pSet->m_camList.GetNext(pos);
            if (!pCam->IsValid()) pList->AddCameraItem(pCam);
        }
    }
    return true;
}

std::string FormatPartnerText(const CSpeedCamDataSet* pSet) {
    // Lines are formatted to their full length; nothing is cut at a fixed buffer size.
    std::string out = kovra::NarrowToBytes(pSet->m_strTitle);
    out += "\r\n";
    const std::string comment = kovra::NarrowToBytes(pSet->m_strComment);
    int n = 0;
    for (POSITION pos = pSet->m_camList.GetHeadPosition(); pos;) {
        const CSpeedCamData* c = pSet->m_camList.GetNext(pos);
        out += kovra::Format("%d,%f,%f,%d,%d,%d,%d//", ++n, c->m_dLongitude, c->m_dLatitude,
                             int(c->m_nCameraType), int(c->m_nSpeedLimit), int(c->m_nDirType),
                             int(c->m_nBearingAngle));
        out += comment;
        out += "\r\n";
    }
    return out;
}

bool ExportPartnerText(const std::wstring& path, const CSpeedCamDataSet* pSet) {
    std::string bytes = FormatPartnerText(pSet);
    return kovra::WriteFileReplacing(path, bytes.data(), bytes.size());
}
