// The rule each camera value must pass before the wizard accepts it.
#pragma once

#include <cstdint>
#include <string>

namespace camrules {

bool LatitudeOk(double v);   // -89.9 ... 89.9
bool LongitudeOk(double v);  // -180 ... 180
bool BearingOk(int32_t v);   // 0 ... 359
bool SpeedOk(int32_t v);     // 0 ... 180
bool DirTypeOk(int32_t v);   // 0 ... 2

// The type passes when there is no list, or when its decimal text occurs anywhere inside the
// list text. This is a text search, not a code comparison: with "10,20" the type 1 passes too,
// and an empty (but present) list lets nothing pass.
bool CameraTypeOk(int32_t v, const std::wstring* typeList);

}  // namespace camrules
