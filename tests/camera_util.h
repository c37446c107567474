// Camera records for the tests that build sets by hand.
#pragma once

#include <cstdint>
#include <vector>

#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"

namespace kovra_test {

// A valid camera of type 1 and direction type 1, added to the set, which owns it.
inline CSpeedCamData* AddCamera(CSpeedCamDataSet& set, int16_t source, double lat, double lon, int bearing,
                                int speed = 60) {
    CSpeedCamData* cam = new CSpeedCamData;
    cam->SetLatitude(lat);
    cam->SetLongitude(lon);
    cam->SetBearingAngle(bearing);
    cam->SetSpeedLimit(speed);
    cam->SetCameraType(1, nullptr);
    cam->SetDirType(1);
    cam->m_nSource = source;
    set.AddCamera(cam);
    return cam;
}

// The set's records in list order.
inline std::vector<CSpeedCamData*> Cameras(const CSpeedCamDataSet& set) {
    std::vector<CSpeedCamData*> out;
    for (POSITION pos = set.m_camList.GetHeadPosition(); pos;) out.push_back(set.m_camList.GetNext(pos));
    return out;
}

}  // namespace kovra_test
