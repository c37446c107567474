// Duplicate filter: the comparison, grouping edge cases, the group display, both keeps, a large
// run checked by its invariants and small random runs checked against a plain transcription.
#include "camdata/duplicate_filter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"

namespace {

// A camera in a test: which import it comes from, where it stands, where it looks. The id is
// kept in the camera type so records can be named after they are deleted.
struct Cam {
    int source;
    double lat;
    double lon;
    int bearing;
};

class World {
public:
    explicit World(const std::vector<Cam>& cams)
        : m_list(), m_filter(&m_sets[0], &m_sets[1], &m_sets[2], &m_list) {
        for (size_t id = 0; id < cams.size(); ++id) {
            CSpeedCamData* p = new CSpeedCamData;
            p->m_dLatitude = cams[id].lat;
            p->m_dLongitude = cams[id].lon;
            p->m_nBearingAngle = cams[id].bearing;
            p->m_nSpeedLimit = 60;
            p->m_nCameraType = int32_t(id);
            p->m_nDirType = 1;
            p->m_nSource = int16_t(cams[id].source);
            m_sets[cams[id].source].AddCamera(p);
        }
    }
    // Ids of the records still in each set, in set order.
    std::vector<int> Alive(int source) const {
        std::vector<int> ids;
        const auto& list = m_sets[source].m_camList;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            ids.push_back(list.GetNext(pos)->m_nCameraType);
        return ids;
    }
    std::set<int> AliveAll() const {
        std::set<int> ids;
        for (int s = 0; s < 3; ++s)
            for (int id : Alive(s)) ids.insert(id);
        return ids;
    }
    static std::vector<int> Ids(const std::vector<CSpeedCamData*>& cams) {
        std::vector<int> ids;
        for (const CSpeedCamData* p : cams) ids.push_back(p->m_nCameraType);
        return ids;
    }
    // The duplicates as groups of ids.
    std::vector<std::vector<int>> Groups() {
        std::vector<std::vector<int>> out(size_t(m_filter.GetGroupCount()));
        for (const CSpeedCamData* p : m_filter.GetDuplicates())
            out[size_t(p->m_nGroup)].push_back(p->m_nCameraType);
        return out;
    }

    CSpeedCamDataSet m_sets[3];
    CDuplicateListMemory m_list;
    CDuplicateFilter m_filter;
};

using Groups = std::vector<std::vector<int>>;

// 0.0001 degree is 11 m by the filter's measure.
const double kStep = 0.0001;

TEST(DuplicateFilter, CompareCamsOrdersByPositionOrByGroupAndSource) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double lat1, lon1, lat2, lon2;
        int expected;  // direction flag clear: record 2 minus record 1
    } position[] = {
        {1, 5, 3.7, 0, 2},  {3.7, 0, 1, 5, -2}, {1, 5, 1.3, 0, 1},   {1.3, 0, 1, 5, -1},
        {1, 5, 1, 10.9, 5}, {1, 5, 1, 4.5, -1}, {1, 5, 1, 5, 0},     {-0.0, 1, 0.0, 1, 0},
        {nan, 0, 1, 0, -1}, {1, 0, nan, 0, 1},  {nan, 1, nan, 2, 1}, {-1e300, 0, 1e300, 0, INT_MAX},
    };
    for (const auto& c : position) {
        CSpeedCamData a, b;
        a.m_dLatitude = c.lat1, a.m_dLongitude = c.lon1;
        b.m_dLatitude = c.lat2, b.m_dLongitude = c.lon2;
        EXPECT_EQ(CompareCams(&a, &b, kSortByPosition, 0), c.expected) << c.lat1 << "," << c.lon1;
        EXPECT_EQ(CompareCams(&a, &b, 3, 1), -c.expected);
    }
    const struct {
        int group1, source1, group2, source2, expected;
    } group[] = {
        {0, 2, 1, 0, 1}, {3, 0, 1, 2, -2}, {1, 0, 1, 2, 2}, {1, 2, 1, 1, -1}, {1, 1, 1, 1, 0}};
    for (const auto& c : group) {
        CSpeedCamData a, b;
        a.m_nGroup = c.group1, a.m_nSource = int16_t(c.source1);
        b.m_nGroup = c.group2, b.m_nSource = int16_t(c.source2);
        EXPECT_EQ(CompareCams(&a, &b, kSortByGroup, 0), c.expected);
        EXPECT_EQ(CompareCams(&a, &b, kSortByGroup, 1), -c.expected);
    }
}

TEST(DuplicateFilter, GroupsSamePlaceAndBearingOnly) {
    const struct {
        const char* what;
        std::vector<Cam> cams;
        Groups expected;
    } cases[] = {
        {"22 m apart", {{0, 55, 37, 90}, {1, 55 + 2 * kStep, 37, 90}}, {{0, 1}}},
        {"55 m apart", {{0, 55, 37, 90}, {1, 55 + 5 * kStep, 37, 90}}, {}},
        {"opposite bearings", {{0, 55, 37, 90}, {1, 55, 37, 270}}, {}},
        {"P, Q with another bearing, R",
         {{0, 55, 37, 90}, {1, 55 + kStep, 37, 180}, {2, 55 + 2 * kStep, 37, 90}},
         {{0, 2}}},
        // Q and R share a bearing, but not P's: no group.
        {"later records agree only among themselves",
         {{0, 55, 37, 90}, {1, 55 + kStep, 37, 180}, {2, 55 + 2 * kStep, 37, 180}},
         {}},
        // 2 and 3 are 66 and 77 m from 0: outside its cluster, they start the next walk, though
        // 2 is 33 m from 1.
        {"far from the first record",
         {{0, 55, 37, 90},
          {1, 55 + 3 * kStep, 37, 90},
          {2, 55 + 6 * kStep, 37, 90},
          {2, 55 + 7 * kStep, 37, 90}},
         {{0, 1}, {2, 3}}},
        // A cluster without a duplicate gives its group number to the next.
        {"number reused",
         {{0, 50, 37, 90}, {1, 50, 37, 270}, {0, 51, 37, 0}, {2, 51, 37, 0}},
         {{2, 3}}},
        // Same position: the base camera (inserted first) is the cluster's first, whatever the
        // order of the sets' records; both others look elsewhere.
        {"ties keep base, partner, custom",
         {{2, 55, 37, 90}, {1, 55, 37, 90}, {0, 55, 37, 180}},
         {}},
        {"ties within one set keep set order",
         {{0, 55, 37, 180}, {0, 55, 37, 90}, {1, 55, 37, 90}},
         {}},
        // Sorted by source inside the group, whatever the positions.
        {"group sorted by source",
         {{2, 55, 37, 90}, {0, 55 + kStep, 37, 90}, {1, 55 + 2 * kStep, 37, 90}},
         {{1, 2, 0}}},
        {"longitude counts as much as latitude",
         {{0, 55, 37, 90}, {1, 55, 37 + 4 * kStep, 90}, {2, 55, 37 + 5 * kStep, 90}},
         {{0, 1}}},
        {"single camera", {{1, 55, 37, 90}}, {}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        World w(c.cams);
        EXPECT_EQ(w.m_filter.FindDuplicateGroups(), int(c.expected.size())) << c.what;
        EXPECT_EQ(w.Groups(), c.expected) << c.what;
        size_t n = 0;
        for (const auto& g : c.expected) n += g.size();
        EXPECT_EQ(w.m_filter.GetDuplicateCount(), n) << c.what;
    }
}

TEST(DuplicateFilter, ClusterMembersGetTheGroupNumberButOnlyDuplicatesAreListed) {
    World w(
        {{0, 55, 37, 90}, {1, 55 + kStep, 37, 180}, {2, 55 + 2 * kStep, 37, 90}, {0, 60, 37, 90}});
    w.m_filter.FindDuplicateGroups();
    w.m_filter.FillList();
    EXPECT_EQ(World::Ids(w.m_list.m_items), (std::vector<int>{0, 2}));
    ASSERT_NE(w.m_list.m_pSelected, nullptr);
    EXPECT_EQ(w.m_list.m_pSelected->m_nCameraType, 0);
    // Q is in the cluster (numbered) but not a duplicate, so never shown nor deleted.
    const auto& partner = w.m_sets[1].m_camList;
    EXPECT_EQ(partner.GetAt(partner.GetHeadPosition())->m_nGroup, 0);
    CSpeedCamData* far = w.m_sets[0].m_camList.GetAt(w.m_sets[0].m_camList.GetTailPosition());
    EXPECT_EQ(far->m_nGroup, -1);
    EXPECT_TRUE(w.m_filter.IsSourcePresent(0));
    EXPECT_FALSE(w.m_filter.IsSourcePresent(1));
    EXPECT_EQ(w.m_filter.GetPresentSources(), (std::vector<int>{0, 2}));
    ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(0, nullptr));
    ASSERT_TRUE(w.m_filter.KeepChosenCamera(1));
    EXPECT_EQ(w.AliveAll(), (std::set<int>{1, 2, 3}));
}

TEST(DuplicateFilter, ShowsAGroupAsTexts) {
    // A group of four: only the first three rows show.
    World w({{0, 55.5, 37.25, 90},
             {1, 55.5, 37.25, 90},
             {2, 55.5, 37.25, 90},
             {2, 55.5 + kStep, 37.25, 90},
             {0, 60, 30, 0},
             {1, 60, 30, 0}});
    ASSERT_EQ(w.m_filter.FindDuplicateGroups(), 2);
    w.m_filter.FillList();
    CDuplicateGroupView view;
    ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(0, &view));
    EXPECT_EQ(
        view.m_strStatus,
        L"Some cameras are located in the same place. Please select the one you want to keep.");
    EXPECT_EQ(view.m_strHeading, L"Set  1/2: Location 37.250000, 55.500000");
    ASSERT_EQ(view.m_nRowCount, 3);
    const wchar_t* sources[] = {L"Step 1", L"Step 2", L"Step 3"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(view.m_rows[r].m_strSource, sources[r]);
        EXPECT_EQ(view.m_rows[r].m_strValue[0], L"90");
        EXPECT_EQ(view.m_rows[r].m_strValue[1], L"60");
        EXPECT_EQ(view.m_rows[r].m_strValue[2], std::to_wstring(r));  // camera type holds the id
        EXPECT_EQ(view.m_rows[r].m_strValue[3], L"1");
    }
    EXPECT_EQ(World::Ids(w.m_filter.GetChoice()), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(w.m_list.m_pSelected->m_nCameraType, 0);

    // Other texts for another language; a group of two hides the third row.
    CDuplicateLabels ru;
    ru.m_strSet = L"\x041d\x0430\x0431\x043e\x0440";
    ru.m_strLocation = L"\x041c\x0435\x0441\x0442\x043e";
    ru.m_strSource[0] = L"\x0428\x0430\x0433 1";
    w.m_filter.SetLabels(ru);
    ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(1, &view));
    EXPECT_EQ(view.m_strHeading,
              ru.m_strSet + L"  2/2: " + ru.m_strLocation + L" 30.000000, 60.000000");
    EXPECT_EQ(view.m_nRowCount, 2);
    EXPECT_EQ(view.m_rows[0].m_strSource, ru.m_strSource[0]);
    EXPECT_EQ(view.m_rows[2].m_strSource, L"");
    EXPECT_EQ(w.m_list.m_pSelected->m_nCameraType, 4);

    EXPECT_FALSE(w.m_filter.ShowDuplicateGroup(2, &view));
    EXPECT_FALSE(w.m_filter.ShowDuplicateGroup(-1, nullptr));
}

TEST(DuplicateFilter, KeepChosenCameraDeletesTheRestOfTheGroup) {
    const struct {
        int row;
        int kept;  // id
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}};
    for (const auto& c : cases) {
        World w({{0, 55, 37, 90},
                 {1, 55, 37, 90},
                 {2, 55, 37, 90},
                 {2, 55 + kStep, 37, 90},
                 {0, 60, 30, 0}});
        w.m_filter.FindDuplicateGroups();
        w.m_filter.FillList();
        EXPECT_FALSE(w.m_filter.KeepChosenCamera(0)) << "nothing shown yet";
        ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(0, nullptr));
        ASSERT_TRUE(w.m_filter.KeepChosenCamera(c.row));
        // The fourth record was never shown, and goes all the same.
        EXPECT_EQ(w.AliveAll(), (std::set<int>{c.kept, 4})) << "row " << c.row;
        EXPECT_TRUE(w.m_list.m_items.empty());
        EXPECT_EQ(w.m_filter.GetDuplicateCount(), 0u);
        EXPECT_FALSE(w.m_filter.KeepChosenCamera(c.row));
        EXPECT_FALSE(w.m_filter.ShowDuplicateGroup(0, nullptr)) << "the group is done";
    }
}

TEST(DuplicateFilter, KeepSourceForAllPrefersTheChosenSource) {
    const std::vector<Cam> cams = {
        {0, 50, 30, 90}, {1, 50, 30, 90},                   // group 0: base, partner
        {0, 51, 30, 90}, {2, 51, 30, 90},                   // group 1: base, custom
        {1, 52, 30, 90}, {2, 52, 30, 90}, {2, 52, 30, 90},  // group 2: partner, custom, custom
        {0, 53, 30, 90},                                    // alone
    };
    const struct {
        const wchar_t* name;
        int from;
        std::set<int> alive;
    } cases[] = {
        {L"Step 2", 0, {1, 2, 4, 7}},  // group 1 lacks partner data: its first record stays
        {L"Step 3", 0, {0, 3, 5, 7}},  // the first custom camera of group 2
        {L"Step 1", 0, {0, 2, 4, 7}},
        {L"nothing", 0, {0, 2, 4, 7}},    // no source chosen: each group's first
        {L"Step 3", 1, {0, 1, 3, 5, 7}},  // group 0 is left alone
    };
    for (const auto& c : cases) {
        World w(cams);
        ASSERT_EQ(w.m_filter.FindDuplicateGroups(), 3);
        w.m_filter.FillList();
        const int source = w.m_filter.FindSourceByName(c.name);
        ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(c.from, nullptr));
        ASSERT_TRUE(w.m_filter.KeepSourceForAll(source, c.from));
        EXPECT_EQ(w.AliveAll(), c.alive) << testing::PrintToString(std::wstring(c.name));
        EXPECT_TRUE(w.m_list.m_items.empty());
        EXPECT_TRUE(w.m_filter.GetChoice().empty());
        EXPECT_FALSE(w.m_filter.KeepSourceForAll(source, 3));
    }
}

// A fixed generator, the same on every platform and library.
struct Lcg {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
    int Below(int n) { return int(Next() % uint32_t(n)); }
};

TEST(DuplicateFilter, SixtyThousandCamerasKeepTheirInvariants) {
    Lcg rng{2024};
    std::vector<Cam> cams;
    while (cams.size() < 60000) {
        // Cluster centres on a grid 0.01 degree apart: clusters never touch each other.
        const double lat = 40 + 0.01 * rng.Below(2000), lon = 20 + 0.01 * rng.Below(2000);
        const int size = 1 + rng.Below(5);
        for (int i = 0; i < size; ++i)
            cams.push_back({rng.Below(3), lat + kStep * rng.Below(3), lon + kStep * rng.Below(3),
                            90 * rng.Below(2)});
    }
    World w(cams);
    const int groups = w.m_filter.FindDuplicateGroups();
    ASSERT_GT(groups, 1000);
    const std::vector<CSpeedCamData*> dups = w.m_filter.GetDuplicates();
    std::vector<std::vector<const CSpeedCamData*>> members(static_cast<size_t>(groups));
    bool present[3] = {false, false, false};
    for (size_t i = 0; i < dups.size(); ++i) {
        if (i > 0) {
            ASSERT_LE(CompareCams(dups[i - 1], dups[i], kSortByGroup, 1), 0)
                << "list order at " << i;
        }
        members[size_t(dups[i]->m_nGroup)].push_back(dups[i]);
        present[dups[i]->m_nSource] = true;
    }
    std::map<int, std::pair<int, bool>> keep;  // group -> (kept id by the rule, found)
    size_t expectDeleted = 0;
    for (int g = 0; g < groups; ++g) {
        auto& m = members[size_t(g)];
        ASSERT_GE(m.size(), 2u) << "group " << g;
        // The group's first record is the one the position sort put first.
        const CSpeedCamData* first = m[0];
        for (const CSpeedCamData* p : m)
            if (CompareCams(p, first, kSortByPosition, 1) < 0) first = p;
        for (const CSpeedCamData* p : m) {
            EXPECT_TRUE(IsSamePlace(first, p));
            EXPECT_EQ(p->m_nBearingAngle, first->m_nBearingAngle);
        }
        int kept = -1;
        for (const CSpeedCamData* p : m)
            if (p->m_nSource == 1) {
                kept = p->m_nCameraType;
                break;
            }
        if (kept < 0) kept = m[0]->m_nCameraType;  // lowest source, first of it
        keep[g] = {kept, true};
        expectDeleted += m.size() - 1;
    }
    for (int s = 0; s < 3; ++s) EXPECT_EQ(w.m_filter.IsSourcePresent(s), present[s]);
    std::vector<std::vector<int>> groupIds(static_cast<size_t>(groups));
    for (int g = 0; g < groups; ++g)
        for (const CSpeedCamData* p : members[size_t(g)])
            groupIds[size_t(g)].push_back(p->m_nCameraType);

    ASSERT_TRUE(w.m_filter.ShowDuplicateGroup(0, nullptr));
    ASSERT_TRUE(w.m_filter.KeepSourceForAll(1, 0));
    const std::set<int> alive = w.AliveAll();
    EXPECT_EQ(alive.size(), cams.size() - expectDeleted);
    for (int g = 0; g < groups; ++g) {
        int left = 0;
        for (int id : groupIds[size_t(g)]) left += alive.count(id) ? 1 : 0;
        EXPECT_EQ(left, 1) << "group " << g;
        EXPECT_TRUE(alive.count(keep[g].first)) << "group " << g;
    }
}

// The filter as plainly as it can be written: literal comparisons, insertion sorts, the walk on
// an array, groups found by walking the list. Slow, and obviously what is meant.
namespace reference {

int Compare(const CSpeedCamData* a, const CSpeedCamData* b, bool byGroup) {
    int d;
    if (byGroup) {
        d = b->m_nGroup - a->m_nGroup;
        if (d == 0) d = b->m_nSource - a->m_nSource;
    } else {
        double x = b->m_dLatitude - a->m_dLatitude;
        if (x == 0) x = b->m_dLongitude - a->m_dLongitude;
        d = std::fabs(x) >= 1 ? int(x) : x > 0 ? 1 : x < 0 ? -1 : 0;
    }
    return -d;
}

void InsertionSort(std::vector<CSpeedCamData*>& v, bool byGroup) {
    for (size_t i = 1; i < v.size(); ++i)
        for (size_t j = i; j > 0 && Compare(v[j - 1], v[j], byGroup) > 0; --j)
            std::swap(v[j - 1], v[j]);
}

struct Result {
    int groups = 0;
    std::vector<CSpeedCamData*> list;
};

Result Find(CSpeedCamDataSet* sets) {
    Result res;
    std::vector<CSpeedCamData*> all;
    for (int s = 0; s < 3; ++s)
        for (POSITION pos = sets[s].m_camList.GetHeadPosition(); pos;) {
            CSpeedCamData* p = sets[s].m_camList.GetNext(pos);
            p->m_nGroup = -1;
            all.push_back(p);
        }
    InsertionSort(all, false);
    size_t r = 0;
    while (r < all.size()) {
        CSpeedCamData* f = all[r];
        if (r + 1 < all.size() && IsSamePlace(f, all[r + 1])) {
            bool found = false;
            if (all[r + 1]->m_nBearingAngle == f->m_nBearingAngle) {
                res.list.push_back(f);
                found = true;
            }
            f->m_nGroup = res.groups;
            size_t k = r + 1;
            while (k < all.size() && IsSamePlace(f, all[k])) {
                if (all[k]->m_nBearingAngle == f->m_nBearingAngle) {
                    if (!found) res.list.push_back(f);
                    res.list.push_back(all[k]);
                    found = true;
                }
                all[k]->m_nGroup = res.groups;
                ++k;
            }
            r = k;
            if (found) ++res.groups;
        } else {
            ++r;
        }
    }
    InsertionSort(res.list, true);
    return res;
}

// Takes group g's records out of the list and deletes all but the kept one.
std::vector<CSpeedCamData*> TakeGroup(Result& res, int g) {
    std::vector<CSpeedCamData*> group;
    for (size_t i = 0; i < res.list.size();) {
        if (res.list[i]->m_nGroup == g) {
            group.push_back(res.list[i]);
            res.list.erase(res.list.begin() + ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    return group;
}

void Delete(CSpeedCamDataSet* sets, CSpeedCamData* p) {
    for (int s = 0; s < 3; ++s)
        if (sets[s].RemoveCamera(p)) return;
}

void KeepRow(CSpeedCamDataSet* sets, Result& res, int g, int row) {
    std::vector<CSpeedCamData*> group = TakeGroup(res, g);
    if (row >= int(group.size()) || row >= 3) row = 0;
    for (size_t j = 0; j < group.size(); ++j)
        if (int(j) != row) Delete(sets, group[j]);
}

void KeepSource(CSpeedCamDataSet* sets, Result& res, int source, int from) {
    for (int g = from; g < res.groups; ++g) {
        std::vector<CSpeedCamData*> group = TakeGroup(res, g);
        if (group.empty()) continue;
        int kept = group[0]->m_nSource;
        for (CSpeedCamData* p : group)
            if (p->m_nSource == source) kept = source;
        bool done = false;
        for (CSpeedCamData* p : group) {
            if (!done && p->m_nSource == kept)
                done = true;
            else
                Delete(sets, p);
        }
    }
}

}  // namespace reference

TEST(DuplicateFilter, MatchesAPlainTranscriptionOnRandomInputs) {
    Lcg rng{7};
    for (int trial = 0; trial < 400; ++trial) {
        // A small area on a coarse grid: many clusters, exact ties, chains of near cameras.
        std::vector<Cam> cams(size_t(2 + rng.Below(40)));
        for (Cam& c : cams)
            c = {rng.Below(3), 55 + kStep * rng.Below(12), 37 + kStep * rng.Below(4),
                 90 * rng.Below(2)};
        World fast(cams), slow(cams);
        const int groups = fast.m_filter.FindDuplicateGroups();
        reference::Result ref = reference::Find(slow.m_sets);
        ASSERT_EQ(groups, ref.groups) << "trial " << trial;
        ASSERT_EQ(World::Ids(fast.m_filter.GetDuplicates()), World::Ids(ref.list))
            << "trial " << trial;
        for (int s = 0; s < 3; ++s) {
            // Group numbers of every record, listed or not.
            std::vector<int> a, b;
            for (POSITION p = fast.m_sets[s].m_camList.GetHeadPosition(); p;)
                a.push_back(fast.m_sets[s].m_camList.GetNext(p)->m_nGroup);
            for (POSITION p = slow.m_sets[s].m_camList.GetHeadPosition(); p;)
                b.push_back(slow.m_sets[s].m_camList.GetNext(p)->m_nGroup);
            ASSERT_EQ(a, b) << "trial " << trial;
        }

        // Some groups by hand, then the rest by one source.
        const int byHand = groups ? rng.Below(groups + 1) : 0;
        const int source = rng.Below(4) - 1;
        fast.m_filter.FillList();
        for (int g = 0; g < byHand; ++g) {
            const int row = rng.Below(4);
            ASSERT_TRUE(fast.m_filter.ShowDuplicateGroup(g, nullptr));
            ASSERT_TRUE(fast.m_filter.KeepChosenCamera(row));
            reference::KeepRow(slow.m_sets, ref, g, row);
        }
        if (byHand < groups) {
            ASSERT_TRUE(fast.m_filter.KeepSourceForAll(source, byHand));
            reference::KeepSource(slow.m_sets, ref, source, byHand);
        }
        for (int s = 0; s < 3; ++s)
            ASSERT_EQ(fast.Alive(s), slow.Alive(s)) << "trial " << trial << " set " << s;
    }
}

}  // namespace
