// Camera set: owns its records unless used as a view.
#include "camdata/speed_cam_data_set.h"

CSpeedCamDataSet::CSpeedCamDataSet() : m_camList(10) {}

CSpeedCamDataSet::~CSpeedCamDataSet() { RemoveAll(true); }

void CSpeedCamDataSet::AddCamera(CSpeedCamData* pCam) { m_camList.AddTail(pCam); }

void CSpeedCamDataSet::RemoveAll(bool bDelete) {
    m_strCameraTypes.clear();
    for (std::wstring& d : m_strDescription) d.clear();
    if (bDelete) {
        for (POSITION pos = m_camList.GetHeadPosition(); pos;) delete m_camList.GetNext(pos);
    }
    m_camList.RemoveAll();
}

void CSpeedCamDataSet::RemoveCameras(std::unordered_set<CSpeedCamData*>& doomed) {
    for (POSITION pos = m_camList.GetHeadPosition(); pos && !doomed.empty();) {
        const POSITION at = pos;
        CSpeedCamData* pCam = m_camList.GetNext(pos);
        if (doomed.erase(pCam)) {
            m_camList.RemoveAt(at);
            delete pCam;
        }
    }
}

bool CSpeedCamDataSet::RemoveCamera(CSpeedCamData* pCam) {
    POSITION pos = m_camList.Find(pCam);
    if (!pos) return false;
    m_camList.RemoveAt(pos);
    delete pCam;
    return true;
}

void CSpeedCamDataSet::SetSource(int16_t nSource) {
    for (POSITION pos = m_camList.GetHeadPosition(); pos;) m_camList.GetNext(pos)->m_nSource = nSource;
}

void CSpeedCamDataSet::SetCameraTypes(const std::wstring& types) { m_strCameraTypes = types; }

std::wstring CSpeedCamDataSet::GetDescription(int index) const {
    if (index < 0 || index >= kDescriptionCount) return std::wstring();
    return m_strDescription[index];
}
