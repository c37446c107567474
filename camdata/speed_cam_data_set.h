// The cameras of one import, with the texts that came with it and its camera type list.
#pragma once

#include <string>
#include <unordered_set>

#include "base/typed_ptr_list.h"
#include "camdata/speed_cam_data.h"

class CSpeedCamDataSet {
public:
    static const int kDescriptionCount = 7;

    CSpeedCamDataSet();
    ~CSpeedCamDataSet();
    CSpeedCamDataSet(const CSpeedCamDataSet&) = delete;
    CSpeedCamDataSet& operator=(const CSpeedCamDataSet&) = delete;

    void AddCamera(CSpeedCamData* pCam);
    // Empties the type list and the descriptions (title and comment stay) and the list,
    // deleting the records when bDelete; a view set passes false.
    void RemoveAll(bool bDelete);
    // Unlinks the record and deletes it; false when the set does not hold it.
    bool RemoveCamera(CSpeedCamData* pCam);
    // Unlinks and deletes, in one pass, every record of the set that is in doomed, taking it
    // out of doomed.
    void RemoveCameras(std::unordered_set<CSpeedCamData*>& doomed);
    void SetSource(int16_t nSource);
    void SetCameraTypes(const std::wstring& types);
    std::wstring GetDescription(int index) const;
    ptrdiff_t GetCount() const { return m_camList.GetCount(); }

    std::wstring m_strTitle;
    std::wstring m_strComment;
    CTypedPtrList<CPtrList, CSpeedCamData*> m_camList;
    std::wstring m_strCameraTypes;
    std::wstring m_strDescription[kDescriptionCount];
};
