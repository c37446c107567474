// Bounds of the camera values; all inclusive.
#include "camdata/cam_rules.h"

#include <cstdio>

namespace camrules {

bool LatitudeOk(double v) { return v >= -89.9 && v <= 89.9; }
bool LongitudeOk(double v) { return v >= -180.0 && v <= 180.0; }
bool BearingOk(int32_t v) { return v >= 0 && v <= 359; }
bool SpeedOk(int32_t v) { return v >= 0 && v <= 180; }
bool DirTypeOk(int32_t v) { return v >= 0 && v <= 2; }

bool CameraTypeOk(int32_t v, const std::wstring* typeList) {
    if (!typeList) return true;
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%d", int(v));
    std::wstring needle(buf, buf + n);
    return typeList->find(needle) != std::wstring::npos;
}

}  // namespace camrules
