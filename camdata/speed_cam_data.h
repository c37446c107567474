// One camera: six values, each with a validity flag and a correction mark, plus the
// bookkeeping of the correction and duplicate steps.
#pragma once

#include <cstdint>
#include <string>

// The numbering of the six camera values everywhere: flags, list columns, value access.
enum CamColumn : int {
    CamLatitude = 0,
    CamLongitude = 1,
    CamBearingAngle = 2,
    CamSpeedLimit = 3,
    CamCameraType = 4,
    CamDirType = 5,
    CamColumnCount = 6,
};

enum CamSource : int16_t {
    SourceBase = 0,     // base data workbook
    SourcePartner = 1,  // partner text file
    SourceCustom = 2,   // customized workbook
};

class CSpeedCamData {
public:
    CSpeedCamData();

    // Each store keeps the value, sets the column's flag to the rule's outcome and, when the
    // rule fails, marks the column for correction. A passing value never clears a mark.
    void SetLatitude(double v);
    void SetLongitude(double v);
    void SetBearingAngle(int32_t v);
    void SetSpeedLimit(int32_t v);
    void SetDirType(int32_t v);
    // A null list makes any type valid; an empty list makes every type fail.
    void SetCameraType(int32_t v, const std::wstring* typeList);

    // "%10.6lf" for the coordinates, "%d" for the others, empty for any other column.
    std::wstring GetValueText(int column) const;
    // The value as a double; 0.0 for any other column.
    double GetValue(int column) const;
    // The next marked column after (forward) or before (backward) from; from -1 searches all
    // six. -1 when none. Looks at the marks, not at the flags.
    int FindInvalidColumn(int from, bool forward) const;
    bool IsValid() const;

    double m_dLatitude;
    double m_dLongitude;
    int32_t m_nBearingAngle;
    int32_t m_nSpeedLimit;
    int32_t m_nCameraType;
    int32_t m_nDirType;
    int16_t m_bValid[CamColumnCount];
    int16_t m_bWasInvalid[CamColumnCount];
    int16_t m_bRemoved;
    int32_t m_nGroup;
    int16_t m_nSource;

private:
    void Mark(int column, bool ok);
};
