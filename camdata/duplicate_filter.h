// Cameras of the three imports that stand at the same place with the same bearing: finding
// them in groups, showing a group, and keeping one camera of each group.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSpeedCamData;
class CSpeedCamDataSet;

// Sort modes of the camera list controls.
const int16_t kSortByPosition = 0;  // latitude, then longitude
const int16_t kSortByGroup = 8;     // duplicate group, then source

// The sort callback of the camera list controls. A negative result puts pCam1 first when
// nSortDirection is non-zero (ascending); zero leaves the two as they were. Positions compare
// by latitude, then longitude; a coordinate that is not a number sorts after all numbers.
int CompareCams(const CSpeedCamData* pCam1, const CSpeedCamData* pCam2, int16_t nSortMode,
                int32_t nSortDirection);

// Within 50 metres, counting one degree as 110 km in both directions.
bool IsSamePlace(const CSpeedCamData* pA, const CSpeedCamData* pB);

// The list control that shows the duplicates. It never owns the records; the filter tells it
// every change, so it only displays.
class IDuplicateList {
public:
    virtual ~IDuplicateList() = default;
    virtual void DeleteAllItems() = 0;
    // Adds the record as the last row.
    virtual void AddCameraItem(CSpeedCamData* pCam) = 0;
    virtual void RemoveCameraItem(CSpeedCamData* pCam) = 0;
    // Selects and focuses the record's row and scrolls it into view.
    virtual void SelectCameraItem(CSpeedCamData* pCam) = 0;
};

// The list kept in memory, for the command line and the tests.
class CDuplicateListMemory : public IDuplicateList {
public:
    void DeleteAllItems() override;
    void AddCameraItem(CSpeedCamData* pCam) override;
    void RemoveCameraItem(CSpeedCamData* pCam) override;
    void SelectCameraItem(CSpeedCamData* pCam) override;

    std::vector<CSpeedCamData*> m_items;
    CSpeedCamData* m_pSelected = nullptr;
};

// The texts of the language in use that the group display is made of.
struct CDuplicateLabels {
    std::wstring m_strStatus =
        L"Some cameras are located in the same place. Please select the one you want to keep.";
    std::wstring m_strSet = L"Set";
    std::wstring m_strLocation = L"Location";
    std::wstring m_strSource[3] = {L"Step 1", L"Step 2", L"Step 3"};
};

// What the convert page paints for the group on show.
struct CDuplicateGroupView {
    static const int kRows = 3;
    struct Row {
        std::wstring m_strSource;
        std::wstring m_strValue[4];  // bearing angle, speed limit, camera type, dir type
    };

    std::wstring m_strStatus;
    std::wstring m_strHeading;  // "Set  2/5: Location 37.617600, 55.755800"
    int m_nRowCount = 0;        // rows from m_nRowCount on are hidden
    Row m_rows[kRows];
};

// Works on the three sets of the main dialog, which own the records. Between
// FindDuplicateGroups and the last keep, nobody else may add or delete records of those sets.
// FindDuplicateGroups touches only the records, so it may run on a worker thread; everything
// that talks to the list belongs to the thread that owns the list.
class CDuplicateFilter {
public:
    // Any set may be null (a skipped import). The list may be null.
    CDuplicateFilter(CSpeedCamDataSet* pBaseSet, CSpeedCamDataSet* pPartnerSet,
                     CSpeedCamDataSet* pCustomSet, IDuplicateList* pList = nullptr);
    CDuplicateFilter(const CDuplicateFilter&) = delete;
    CDuplicateFilter& operator=(const CDuplicateFilter&) = delete;

    void SetLabels(const CDuplicateLabels& labels) { m_labels = labels; }
    const CDuplicateLabels& GetLabels() const { return m_labels; }

    // Groups the cameras of the three sets and returns the group count. Every record gets the
    // number of the cluster it fell in (or -1); the duplicates are ordered by group and source.
    int FindDuplicateGroups();
    // Puts the duplicates into the list in their order and selects the first.
    void FillList();

    int GetGroupCount() const { return m_nGroupCount; }
    // Records in the duplicates list that no keep has taken out yet.
    size_t GetDuplicateCount() const { return m_nLiveCount; }
    // The duplicates still listed, in list order.
    std::vector<CSpeedCamData*> GetDuplicates() const;

    // Sources (0 base data, 1 partner, 2 customized) that have a record among the duplicates.
    bool IsSourcePresent(int nSource) const;
    // The present sources in source order: the entries of the "Always select" box.
    std::vector<int> GetPresentSources() const;
    // The source whose label equals the text, -1 when none does.
    int FindSourceByName(const std::wstring& name) const;

    // Makes the group's remaining records the choice. False when the group does not exist or
    // has no record left. With a view, fills in what the page shows.
    bool ShowDuplicateGroup(int nGroup, CDuplicateGroupView* pView);
    int GetShownGroup() const { return m_nShownGroup; }
    const std::vector<CSpeedCamData*>& GetChoice() const { return m_choice; }

    // Keeps the choice's record of the given row (0-2; a row without a record means row 0),
    // deletes the others from their sets and takes all of them out of the list. False when
    // there is no choice.
    bool KeepChosenCamera(int nRow);

    // In each group from nFromGroup on, keeps the first record of nSource, or when the group
    // has none, its first record; deletes the rest. Empties the list. False when there is no
    // such group.
    bool KeepSourceForAll(int nSource, int nFromGroup);

private:
    struct Entry {
        CSpeedCamData* pCam;
        CSpeedCamDataSet* pOwner;
    };

    // Indexes into m_dups of the group's records still listed.
    std::vector<size_t> LiveIndexes(int nGroup) const;

    CSpeedCamDataSet* m_pSets[3];
    IDuplicateList* m_pList;
    CDuplicateLabels m_labels;

    // The duplicates by group and source; a record that left the list has a null pCam.
    std::vector<Entry> m_dups;
    std::vector<size_t> m_groupStart;  // group g is m_dups[m_groupStart[g], m_groupStart[g+1])
    size_t m_nLiveCount = 0;
    int m_nGroupCount = 0;
    bool m_bSourcePresent[3] = {false, false, false};

    int m_nShownGroup = -1;
    std::vector<CSpeedCamData*> m_choice;
    std::vector<size_t> m_choiceIndexes;  // where the choice's records are in m_dups
};
