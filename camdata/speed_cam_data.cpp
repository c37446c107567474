// Camera record: stores apply the value rules and keep flags and marks.
#include "camdata/speed_cam_data.h"

#include "base/text.h"
#include "camdata/cam_rules.h"

CSpeedCamData::CSpeedCamData()
    : m_dLatitude(0.0),
      m_dLongitude(0.0),
      m_nBearingAngle(0),
      m_nSpeedLimit(0),
      m_nCameraType(0),
      m_nDirType(0),
      m_bRemoved(0),
      m_nGroup(-1),
      m_nSource(-1) {
    for (int i = 0; i < CamColumnCount; ++i) {
        m_bValid[i] = 1;
        m_bWasInvalid[i] = 0;
    }
}

void CSpeedCamData::Mark(int column, bool ok) {
    m_bValid[column] = ok ? 1 : 0;
    if (!ok) m_bWasInvalid[column] = 1;
}

void CSpeedCamData::SetLatitude(double v) {
    m_dLatitude = v;
    Mark(CamLatitude, camrules::LatitudeOk(v));
}

void CSpeedCamData::SetLongitude(double v) {
    m_dLongitude = v;
    Mark(CamLongitude, camrules::LongitudeOk(v));
}

void CSpeedCamData::SetBearingAngle(int32_t v) {
    m_nBearingAngle = v;
    Mark(CamBearingAngle, camrules::BearingOk(v));
}

void CSpeedCamData::SetSpeedLimit(int32_t v) {
    m_nSpeedLimit = v;
    Mark(CamSpeedLimit, camrules::SpeedOk(v));
}

void CSpeedCamData::SetDirType(int32_t v) {
    m_nDirType = v;
    Mark(CamDirType, camrules::DirTypeOk(v));
}

void CSpeedCamData::SetCameraType(int32_t v, const std::wstring* typeList) {
    m_nCameraType = v;
    Mark(CamCameraType, camrules::CameraTypeOk(v, typeList));
}

std::wstring CSpeedCamData::GetValueText(int column) const {
    std::string s;
    switch (column) {
        case CamLatitude: s = kovra::Format("%10.6lf", m_dLatitude); break;
        case CamLongitude: s = kovra::Format("%10.6lf", m_dLongitude); break;
        case CamBearingAngle: s = kovra::Format("%d", int(m_nBearingAngle)); break;
        case CamSpeedLimit: s = kovra::Format("%d", int(m_nSpeedLimit)); break;
        case CamCameraType: s = kovra::Format("%d", int(m_nCameraType)); break;
        case CamDirType: s = kovra::Format("%d", int(m_nDirType)); break;
        default: break;
    }
    return kovra::WidenBytes(s);
}

double CSpeedCamData::GetValue(int column) const {
    switch (column) {
        case CamLatitude: return m_dLatitude;
        case CamLongitude: return m_dLongitude;
        case CamBearingAngle: return m_nBearingAngle;
        case CamSpeedLimit: return m_nSpeedLimit;
        case CamCameraType: return m_nCameraType;
        case CamDirType: return m_nDirType;
        default: return 0.0;
    }
}

int CSpeedCamData::FindInvalidColumn(int from, bool forward) const {
    if (forward) {
        for (int c = from < 0 ? 0 : from + 1; c < CamColumnCount; ++c)
            if (m_bWasInvalid[c]) return c;
    } else {
        for (int c = from < 0 ? CamColumnCount - 1 : from - 1; c >= 0; --c)
            if (c < CamColumnCount && m_bWasInvalid[c]) return c;
    }
    return -1;
}

bool CSpeedCamData::IsValid() const {
    for (int i = 0; i < CamColumnCount; ++i)
        if (m_bValid[i] != 1) return false;
    return true;
}
