// An SVG overview of cameras that any browser shows: no map tiles, no other program.
#pragma once

#include <string>

#include "exchange/cam_record.h"

namespace exchange {

// The cameras fitted to their extent, east-west scaled for the middle latitude so that a city
// keeps its shape: a dot per camera coloured by type (with a short line towards the bearing
// where the direction type uses it, while there are few enough to tell apart), a cross for
// each invalid record, a legend with the counts, and a scale bar.
std::string FormatSvgMap(const CamCollection& cams);

}  // namespace exchange
