// What changed between two camera sources: cameras removed, added, changed and unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "exchange/cam_record.h"

namespace exchange {

// A camera of the old source and the same camera in the new one: the same place by the
// duplicate rule (within 50 metres) and the same bearing.
struct CamMatch {
    size_t oldIndex;
    size_t newIndex;
};

struct CamDiff {
    std::vector<size_t> removed;      // old records without a match, in old order
    std::vector<size_t> added;        // new records without a match, in new order
    std::vector<CamMatch> changed;    // another speed, type or direction type; in new order
    std::vector<CamMatch> unchanged;  // the same three values; in new order
};

// Matches every new record with at most one old record. A new record takes the nearest old
// one with the same three values first; records left over then take the nearest old one
// that is the same camera, as changed. Records whose coordinates are not numbers on the
// globe match only a record with the very same coordinates.
CamDiff DiffCameras(const std::vector<CamRecord>& older, const std::vector<CamRecord>& newer);

// "speed type": the values that differ between the two records.
std::string ChangedValues(const CamRecord& a, const CamRecord& b);

// KML of the differences: added cameras in one style, removed ones in another, changed ones
// at their new place with the old and new values.
std::string FormatDiffKml(const CamCollection& older, const CamCollection& newer,
                          const CamDiff& diff);

}  // namespace exchange
