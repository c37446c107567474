// Duplicate location filter: grouping by position and bearing, the group display and the keeps.
#include "camdata/duplicate_filter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_set>

#include "base/text.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"

namespace {

// The difference v2 - v1 as the list's comparison wants it: truncated toward zero when at least
// 1, else its sign. Only the sign decides the order; the truncation is clamped so that a huge
// difference cannot overflow the result. A coordinate that is not a number counts as larger
// than every number: without that, it would equal everything and no sort could order by it.
int CompareCoordinate(double v1, double v2) {
    const bool nan1 = std::isnan(v1), nan2 = std::isnan(v2);
    if (nan1 || nan2) return nan1 == nan2 ? 0 : nan1 ? -1 : 1;
    if (v1 == v2) return 0;
    const double x = v2 - v1;
    if (std::fabs(x) < 1.0) return x > 0 ? 1 : -1;
    if (x >= double(INT_MAX)) return INT_MAX;
    if (x <= -double(INT_MAX)) return -INT_MAX;
    return int(x);
}

int Clamp(int64_t v) {
    return v > INT_MAX ? INT_MAX : v < -INT_MAX ? -INT_MAX : int(v);
}

}  // namespace

int CompareCams(const CSpeedCamData* pCam1, const CSpeedCamData* pCam2, int16_t nSortMode,
                int32_t nSortDirection) {
    int d;
    if (nSortMode == kSortByGroup) {
        d = Clamp(int64_t(pCam2->m_nGroup) - pCam1->m_nGroup);
        if (d == 0) d = Clamp(int64_t(pCam2->m_nSource) - pCam1->m_nSource);
    } else {
        d = CompareCoordinate(pCam1->m_dLatitude, pCam2->m_dLatitude);
        if (d == 0) d = CompareCoordinate(pCam1->m_dLongitude, pCam2->m_dLongitude);
    }
    return nSortDirection ? -d : d;
}

bool IsSamePlace(const CSpeedCamData* pA, const CSpeedCamData* pB) {
    const double dLat = pA->m_dLatitude - pB->m_dLatitude;
    const double dLon = pA->m_dLongitude - pB->m_dLongitude;
    return std::sqrt(dLat * dLat + dLon * dLon) * 110000 < 50;
}

void CDuplicateListMemory::DeleteAllItems() {
    m_items.clear();
    m_pSelected = nullptr;
}

void CDuplicateListMemory::AddCameraItem(CSpeedCamData* pCam) {
    m_items.push_back(pCam);
}

void CDuplicateListMemory::RemoveCameraItem(CSpeedCamData* pCam) {
    auto it = std::find(m_items.begin(), m_items.end(), pCam);
    if (it == m_items.end()) return;
    m_items.erase(it);
    if (m_pSelected == pCam) m_pSelected = nullptr;
}

void CDuplicateListMemory::SelectCameraItem(CSpeedCamData* pCam) {
    if (std::find(m_items.begin(), m_items.end(), pCam) != m_items.end()) m_pSelected = pCam;
}

CDuplicateFilter::CDuplicateFilter(CSpeedCamDataSet* pBaseSet, CSpeedCamDataSet* pPartnerSet,
                                   CSpeedCamDataSet* pCustomSet, IDuplicateList* pList)
    : m_pSets{pBaseSet, pPartnerSet, pCustomSet}, m_pList(pList) {}

int CDuplicateFilter::FindDuplicateGroups() {
    m_dups.clear();
    m_groupStart.assign(1, 0);
    m_nLiveCount = 0;
    m_nGroupCount = 0;
    std::fill(std::begin(m_bSourcePresent), std::end(m_bSourcePresent), false);
    m_nShownGroup = -1;
    m_choice.clear();
    m_choiceIndexes.clear();

    // Base data, then partner, then customized: with the stable sort below, cameras at the very
    // same position stay in that order.
    std::vector<Entry> cams;
    for (int s = 0; s < 3; ++s) {
        CSpeedCamDataSet* pSet = m_pSets[s];
        if (!pSet || std::find(m_pSets, m_pSets + s, pSet) != m_pSets + s) continue;
        for (POSITION pos = pSet->m_camList.GetHeadPosition(); pos;) {
            CSpeedCamData* pCam = pSet->m_camList.GetNext(pos);
            pCam->m_nGroup = -1;
            cams.push_back(Entry{pCam, pSet});
        }
    }
    std::stable_sort(cams.begin(), cams.end(), [](const Entry& a, const Entry& b) {
        return CompareCams(a.pCam, b.pCam, kSortByPosition, 1) < 0;
    });

    // A cluster is the run of records within reach of its first record F; its group holds F and
    // the records with F's bearing. A cluster without such a record gives its number up again.
    const size_t n = cams.size();
    for (size_t r = 0; r < n;) {
        CSpeedCamData* pFirst = cams[r].pCam;
        if (r + 1 >= n || !IsSamePlace(pFirst, cams[r + 1].pCam)) {
            ++r;
            continue;
        }
        bool found = false;
        pFirst->m_nGroup = m_nGroupCount;
        size_t k = r + 1;
        for (; k < n && IsSamePlace(pFirst, cams[k].pCam); ++k) {
            CSpeedCamData* pCam = cams[k].pCam;
            if (pCam->m_nBearingAngle == pFirst->m_nBearingAngle) {
                if (!found) m_dups.push_back(cams[r]);
                m_dups.push_back(cams[k]);
                found = true;
            }
            pCam->m_nGroup = m_nGroupCount;
        }
        r = k;
        if (found) ++m_nGroupCount;
    }

    std::stable_sort(m_dups.begin(), m_dups.end(), [](const Entry& a, const Entry& b) {
        return CompareCams(a.pCam, b.pCam, kSortByGroup, 1) < 0;
    });
    for (const Entry& e : m_dups) {
        const int s = e.pCam->m_nSource;
        if (s >= 0 && s < 3) m_bSourcePresent[s] = true;
    }
    m_nLiveCount = m_dups.size();
    m_groupStart.assign(size_t(m_nGroupCount) + 1, m_dups.size());
    for (size_t i = m_dups.size(); i-- > 0;) m_groupStart[size_t(m_dups[i].pCam->m_nGroup)] = i;
    return m_nGroupCount;
}

void CDuplicateFilter::FillList() {
    if (!m_pList) return;
    m_pList->DeleteAllItems();
    CSpeedCamData* pFirst = nullptr;
    for (const Entry& e : m_dups) {
        if (!e.pCam) continue;
        m_pList->AddCameraItem(e.pCam);
        if (!pFirst) pFirst = e.pCam;
    }
    if (pFirst) m_pList->SelectCameraItem(pFirst);
}

std::vector<CSpeedCamData*> CDuplicateFilter::GetDuplicates() const {
    std::vector<CSpeedCamData*> out;
    out.reserve(m_nLiveCount);
    for (const Entry& e : m_dups)
        if (e.pCam) out.push_back(e.pCam);
    return out;
}

bool CDuplicateFilter::IsSourcePresent(int nSource) const {
    return nSource >= 0 && nSource < 3 && m_bSourcePresent[nSource];
}

std::vector<int> CDuplicateFilter::GetPresentSources() const {
    std::vector<int> out;
    for (int s = 0; s < 3; ++s)
        if (m_bSourcePresent[s]) out.push_back(s);
    return out;
}

int CDuplicateFilter::FindSourceByName(const std::wstring& name) const {
    for (int s = 0; s < 3; ++s)
        if (m_labels.m_strSource[s] == name) return s;
    return -1;
}

std::vector<size_t> CDuplicateFilter::LiveIndexes(int nGroup) const {
    std::vector<size_t> out;
    if (nGroup < 0 || nGroup >= m_nGroupCount) return out;
    for (size_t i = m_groupStart[size_t(nGroup)]; i < m_groupStart[size_t(nGroup) + 1]; ++i)
        if (m_dups[i].pCam) out.push_back(i);
    return out;
}

bool CDuplicateFilter::ShowDuplicateGroup(int nGroup, CDuplicateGroupView* pView) {
    if (nGroup < 0 || nGroup >= m_nGroupCount) return false;
    if (pView) {
        *pView = CDuplicateGroupView();
        pView->m_strStatus = m_labels.m_strStatus;
    }
    m_nShownGroup = nGroup;
    m_choiceIndexes = LiveIndexes(nGroup);
    m_choice.clear();
    for (size_t i : m_choiceIndexes) m_choice.push_back(m_dups[i].pCam);
    if (m_choice.empty()) return false;

    const CSpeedCamData* pFirst = m_choice[0];
    if (m_pList) m_pList->SelectCameraItem(m_choice[0]);
    if (!pView) return true;
    pView->m_strHeading =
        m_labels.m_strSet +
        kovra::WidenBytes(kovra::Format("  %d/%d: ", nGroup + 1, m_nGroupCount)) +
        m_labels.m_strLocation +
        kovra::WidenBytes(kovra::Format(" %f, %f", pFirst->m_dLongitude, pFirst->m_dLatitude));
    pView->m_nRowCount = int(std::min<size_t>(m_choice.size(), CDuplicateGroupView::kRows));
    for (int row = 0; row < pView->m_nRowCount; ++row) {
        const CSpeedCamData* pCam = m_choice[size_t(row)];
        CDuplicateGroupView::Row& r = pView->m_rows[row];
        if (pCam->m_nSource >= 0 && pCam->m_nSource < 3)
            r.m_strSource = m_labels.m_strSource[pCam->m_nSource];
        for (int c = 0; c < 4; ++c) r.m_strValue[c] = pCam->GetValueText(CamBearingAngle + c);
    }
    return true;
}

bool CDuplicateFilter::KeepChosenCamera(int nRow) {
    if (m_choice.empty()) return false;
    const size_t shown = std::min<size_t>(m_choice.size(), CDuplicateGroupView::kRows);
    const size_t chosen = nRow >= 0 && size_t(nRow) < shown ? size_t(nRow) : 0;
    for (size_t j = 0; j < m_choiceIndexes.size(); ++j) {
        Entry& e = m_dups[m_choiceIndexes[j]];
        CSpeedCamData* pCam = e.pCam;
        e.pCam = nullptr;
        --m_nLiveCount;
        if (m_pList) m_pList->RemoveCameraItem(pCam);
        if (j != chosen) e.pOwner->RemoveCamera(pCam);
    }
    m_choice.clear();
    m_choiceIndexes.clear();
    return true;
}

bool CDuplicateFilter::KeepSourceForAll(int nSource, int nFromGroup) {
    if (nFromGroup < 0) nFromGroup = 0;
    if (nFromGroup >= m_nGroupCount) return false;
    // Deletions wait until every group is decided, then each set is walked once: deleting one
    // by one would search a whole set per record.
    std::unordered_set<CSpeedCamData*> doomed;
    for (int g = nFromGroup; g < m_nGroupCount; ++g) {
        const std::vector<size_t> idx = LiveIndexes(g);
        if (idx.empty()) continue;
        int16_t kept = m_dups[idx[0]].pCam->m_nSource;
        for (size_t i : idx)
            if (m_dups[i].pCam->m_nSource == nSource) {
                kept = int16_t(nSource);
                break;
            }
        bool keptOne = false;
        for (size_t i : idx) {
            Entry& e = m_dups[i];
            if (!keptOne && e.pCam->m_nSource == kept)
                keptOne = true;
            else
                doomed.insert(e.pCam);
            e.pCam = nullptr;
            --m_nLiveCount;
        }
    }
    for (CSpeedCamDataSet* pSet : m_pSets)
        if (pSet) pSet->RemoveCameras(doomed);
    m_dups.clear();
    m_groupStart.assign(size_t(m_nGroupCount) + 1, 0);
    m_nLiveCount = 0;
    m_choice.clear();
    m_choiceIndexes.clear();
    m_nShownGroup = -1;
    if (m_pList) m_pList->DeleteAllItems();
    return true;
}
