// What the imports and the saving of corrections need of a camera list control. The wizard's
// list control implements it on Windows; the command line and the tests keep rows in memory.
#pragma once

#include <vector>

class CSpeedCamData;
class CSpeedCamDataSet;

class ICameraList {
public:
    virtual ~ICameraList() = default;
    virtual void DeleteAllItems() = 0;
    // Makes the set the one the control shows (its type list applies to edits).
    virtual void SetCameraSet(CSpeedCamDataSet* pSet) = 0;
    // Adds the record as the last row; the control never owns it.
    virtual void AddCameraItem(CSpeedCamData* pCam) = 0;
    virtual int GetItemCount() const = 0;
    virtual CSpeedCamData* GetItemCamera(int row) const = 0;
    virtual void DeleteItem(int row) = 0;
};

class CCameraListMemory : public ICameraList {
public:
    void DeleteAllItems() override {
        m_items.clear();
        ++m_nClears;
    }
    void SetCameraSet(CSpeedCamDataSet* pSet) override { m_pShownSet = pSet; }
    void AddCameraItem(CSpeedCamData* pCam) override { m_items.push_back(pCam); }
    int GetItemCount() const override { return int(m_items.size()); }
    CSpeedCamData* GetItemCamera(int row) const override { return m_items[size_t(row)]; }
    void DeleteItem(int row) override { m_items.erase(m_items.begin() + row); }

    std::vector<CSpeedCamData*> m_items;
    CSpeedCamDataSet* m_pShownSet = nullptr;
    int m_nClears = 0;  // how often the rows were cleared
};
