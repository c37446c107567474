// GPX 1.1 documents of cameras: one waypoint per camera.
#pragma once

#include <cstddef>
#include <string>

#include "exchange/cam_record.h"

namespace exchange {

// One waypoint per camera with a place on the globe: named by its speed limit, every value in
// the description, the camera type (or "invalid") as the waypoint's type. Records without a
// place cannot be waypoints; *unplaced, when given, receives their count.
std::string FormatGpx(const CamCollection& cams, size_t* unplaced = nullptr);

}  // namespace exchange
