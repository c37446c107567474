// What the imports and the duplicate filter need of a camera list control. The wizard's list
// control implements it on Windows; tests and the command line use their own.
#pragma once

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
};
