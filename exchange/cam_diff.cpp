// Camera diff: old records indexed by grid cell and bearing, so each new record looks at a
// handful of candidates instead of the whole old source.
#include "exchange/cam_diff.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "camdata/duplicate_filter.h"
#include "exchange/kml.h"

namespace exchange {

namespace {

// A little wider than the duplicate rule's 50 metres at 110 km per degree, so that two
// records the rule calls the same place always lie in neighbouring cells despite rounding.
const double kCell = 51.0 / 110000.0;
const double kNearLimit = 360.0;  // beyond this a coordinate gets no cell

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

bool IsNear(const CSpeedCamData& c) {
    return std::isfinite(c.m_dLatitude) && std::isfinite(c.m_dLongitude) &&
           std::fabs(c.m_dLatitude) <= kNearLimit && std::fabs(c.m_dLongitude) <= kNearLimit;
}

int64_t CellOf(double v) {
    return int64_t(std::floor(v / kCell));
}

bool SameValues(const CSpeedCamData& a, const CSpeedCamData& b) {
    return a.m_nSpeedLimit == b.m_nSpeedLimit && a.m_nCameraType == b.m_nCameraType &&
           a.m_nDirType == b.m_nDirType;
}

// The duplicate rule, and for coordinates off the globe the very same coordinates.
bool SameCamera(const CSpeedCamData& a, const CSpeedCamData& b) {
    if (a.m_nBearingAngle != b.m_nBearingAngle) return false;
    const bool nearA = IsNear(a), nearB = IsNear(b);
    if (nearA != nearB) return false;
    if (nearA) return IsSamePlace(&a, &b);
    return Bits(a.m_dLatitude) == Bits(b.m_dLatitude) &&
           Bits(a.m_dLongitude) == Bits(b.m_dLongitude);
}

double Distance2(const CSpeedCamData& a, const CSpeedCamData& b) {
    const double dLat = a.m_dLatitude - b.m_dLatitude, dLon = a.m_dLongitude - b.m_dLongitude;
    return dLat * dLat + dLon * dLon;
}

// The key of a cell (or of a record off the globe) with the bearing, and with the three
// values when they must match too. Keys that collide only bring extra candidates, which the
// full test then turns away.
uint64_t Key(const CSpeedCamData& c, int64_t dy, int64_t dx, bool withValues) {
    uint64_t h = uint64_t(uint32_t(c.m_nBearingAngle));
    if (IsNear(c)) {
        h = Mix(Mix(h, uint64_t(CellOf(c.m_dLatitude) + dy)),
                uint64_t(CellOf(c.m_dLongitude) + dx));
    } else {
        h = Mix(Mix(Mix(h, 1), Bits(c.m_dLatitude)), Bits(c.m_dLongitude));
    }
    if (withValues) {
        h = Mix(h, uint64_t(uint32_t(c.m_nSpeedLimit)));
        h = Mix(h, uint64_t(uint32_t(c.m_nCameraType)));
        h = Mix(h, uint64_t(uint32_t(c.m_nDirType)));
    }
    return h;
}

// The old records by key, in old order within a key. A matched record is passed over from
// then on; each key's first live record is kept, so that a run of identical records costs one
// step per match rather than a walk over those already taken.
class CamIndex {
public:
    CamIndex(const std::vector<CamRecord>& recs, bool withValues)
        : m_recs(recs),
          m_withValues(withValues),
          m_taken(recs.size(), false),
          m_cellOf(recs.size()) {
        std::vector<std::pair<uint64_t, uint32_t>> keyed(recs.size());
        for (size_t i = 0; i < recs.size(); ++i)
            keyed[i] = {Key(recs[i].cam, 0, 0, withValues), uint32_t(i)};
        std::sort(keyed.begin(), keyed.end());
        m_entries.resize(keyed.size());
        for (size_t i = 0; i < keyed.size(); ++i) {
            if (m_cells.empty() || m_cells.back().key != keyed[i].first)
                m_cells.push_back(Cell{keyed[i].first, uint32_t(i), uint32_t(i)});
            m_entries[i] = keyed[i].second;
            m_cellOf[keyed[i].second] = uint32_t(m_cells.size() - 1);
            m_cells.back().end = uint32_t(i + 1);
        }
    }

    // The nearest record not yet taken that accept takes, among the neighbourhood of c; the
    // earliest of equally near ones. -1 when none.
    template <class Accept>
    long Nearest(const CSpeedCamData& c, Accept accept) const {
        long best = -1;
        double bestD = 0;
        const int64_t reach = IsNear(c) ? 1 : 0;
        for (int64_t dy = -reach; dy <= reach; ++dy) {
            for (int64_t dx = -reach; dx <= reach; ++dx) {
                const Cell* cell = Find(Key(c, dy, dx, m_withValues));
                if (!cell) continue;
                for (uint32_t k = cell->first; k < cell->end; ++k) {
                    const uint32_t idx = m_entries[k];
                    if (m_taken[idx] || !accept(idx)) continue;
                    const double d = Distance2(c, m_recs[idx].cam);
                    if (best < 0 || d < bestD || (d == bestD && idx < uint32_t(best)))
                        best = long(idx), bestD = d;
                    // Records at the very same place share this cell, in old order.
                    if (d == 0) return best;
                }
            }
        }
        return best;
    }

    void Take(uint32_t idx) {
        m_taken[idx] = true;
        Cell& cell = m_cells[m_cellOf[idx]];
        while (cell.first < cell.end && m_taken[m_entries[cell.first]]) ++cell.first;
    }

private:
    struct Cell {
        uint64_t key;
        uint32_t first, end;  // the key's records not taken lie in m_entries[first, end)
    };
    const Cell* Find(uint64_t key) const {
        auto it = std::lower_bound(m_cells.begin(), m_cells.end(), key,
                                   [](const Cell& c, uint64_t k) { return c.key < k; });
        return it != m_cells.end() && it->key == key ? &*it : nullptr;
    }

    const std::vector<CamRecord>& m_recs;
    bool m_withValues;
    std::vector<bool> m_taken;
    std::vector<uint32_t> m_cellOf;
    std::vector<Cell> m_cells;
    std::vector<uint32_t> m_entries;
};

}  // namespace

CamDiff DiffCameras(const std::vector<CamRecord>& older, const std::vector<CamRecord>& newer) {
    CamDiff diff;
    std::vector<long> matchOf(newer.size(), -1);
    std::vector<bool> oldTaken(older.size(), false);
    CamIndex sameValues(older, true), sameCamera(older, false);

    auto take = [&](size_t n, long o) {
        matchOf[n] = o;
        oldTaken[size_t(o)] = true;
        sameValues.Take(uint32_t(o));
        sameCamera.Take(uint32_t(o));
    };
    for (size_t n = 0; n < newer.size(); ++n) {
        const CSpeedCamData& c = newer[n].cam;
        const long o = sameValues.Nearest(c, [&](uint32_t i) {
            return SameCamera(older[i].cam, c) && SameValues(older[i].cam, c);
        });
        if (o >= 0) take(n, o);
    }
    std::vector<bool> changed(newer.size(), false);
    for (size_t n = 0; n < newer.size(); ++n) {
        if (matchOf[n] >= 0) continue;
        const CSpeedCamData& c = newer[n].cam;
        const long o =
            sameCamera.Nearest(c, [&](uint32_t i) { return SameCamera(older[i].cam, c); });
        if (o < 0) continue;
        take(n, o);
        changed[n] = true;
    }
    for (size_t n = 0; n < newer.size(); ++n) {
        if (matchOf[n] < 0)
            diff.added.push_back(n);
        else
            (changed[n] ? diff.changed : diff.unchanged).push_back(CamMatch{size_t(matchOf[n]), n});
    }
    for (size_t o = 0; o < older.size(); ++o)
        if (!oldTaken[o]) diff.removed.push_back(o);
    return diff;
}

std::string ChangedValues(const CamRecord& a, const CamRecord& b) {
    std::string out;
    auto add = [&](bool differs, const char* name) {
        if (!differs) return;
        if (!out.empty()) out += ' ';
        out += name;
    };
    add(a.cam.m_nSpeedLimit != b.cam.m_nSpeedLimit, "speed");
    add(a.cam.m_nCameraType != b.cam.m_nCameraType, "type");
    add(a.cam.m_nDirType != b.cam.m_nDirType, "dir");
    return out;
}

std::string FormatDiffKml(const CamCollection& older, const CamCollection& newer,
                          const CamDiff& diff) {
    const uint32_t kAdded = 0x2ca02c, kRemoved = 0xd62728, kChanged = 0xff7f0e;
    KmlDocument doc(older.name + " \xE2\x86\x92 " + newer.name);
    doc.AddStyle("added", kAdded, kKmlMarkIcon);
    doc.AddStyle("removed", kRemoved, kKmlMarkIcon);
    doc.AddStyle("changed", kChanged, kKmlMarkIcon);
    auto folder = [&](const char* name, size_t n) {
        doc.BeginFolder(name + (" (" + std::to_string(n) + ")"));
    };

    folder("Added", diff.added.size());
    for (size_t i : diff.added) {
        const CamRecord& r = newer.records[i];
        doc.AddPlacemark("+ " + std::to_string(r.cam.m_nSpeedLimit) + " km/h",
                         DescribeRecord(newer.kind, r), "added", kAdded, newer.kind, r, false);
    }
    doc.EndFolder();
    folder("Removed", diff.removed.size());
    for (size_t i : diff.removed) {
        const CamRecord& r = older.records[i];
        doc.AddPlacemark("\xE2\x88\x92 " + std::to_string(r.cam.m_nSpeedLimit) + " km/h",
                         DescribeRecord(older.kind, r), "removed", kRemoved, older.kind, r, false);
    }
    doc.EndFolder();
    folder("Changed", diff.changed.size());
    const char* const arrow = " \xE2\x86\x92 ";
    for (const CamMatch& m : diff.changed) {
        const CamRecord& a = older.records[m.oldIndex];
        const CamRecord& b = newer.records[m.newIndex];
        std::vector<std::string> lines = {
            "Changed: " + ChangedValues(a, b),
            "Speed limit: " + std::to_string(a.cam.m_nSpeedLimit) + arrow +
                std::to_string(b.cam.m_nSpeedLimit) + " km/h",
            "Type: " + TypeLabel(a.cam.m_nCameraType) + arrow + TypeLabel(b.cam.m_nCameraType),
            "Direction type: " + std::to_string(a.cam.m_nDirType) + arrow +
                std::to_string(b.cam.m_nDirType),
            "Bearing: " + std::to_string(b.cam.m_nBearingAngle) + "\xC2\xB0",
            "Old place: " + CoordinateText(a, CamLatitude) + ", " + CoordinateText(a, CamLongitude),
            "New place: " + CoordinateText(b, CamLatitude) + ", " + CoordinateText(b, CamLongitude),
        };
        if (a.origin > 0) lines.push_back("Old source: " + OriginText(older.kind, a));
        if (b.origin > 0) lines.push_back("New source: " + OriginText(newer.kind, b));
        doc.AddPlacemark(std::to_string(a.cam.m_nSpeedLimit) + arrow +
                             std::to_string(b.cam.m_nSpeedLimit) + " km/h",
                         lines, "changed", kChanged, newer.kind, b, false);
    }
    doc.EndFolder();
    return doc.Finish();
}

}  // namespace exchange
