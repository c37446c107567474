// Saving corrections: backup first, then the rewrite.
#include "camdata/corrections.h"

#include "base/file_io.h"
#include "camdata/cam_workbook.h"
#include "camdata/camera_list.h"
#include "camdata/history.h"
#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"

SaveResult SaveCorrections(const std::wstring& path, bool partnerText, CSpeedCamDataSet* pSet,
                           ICameraList* pList) {
    const bool backedUp = kovra::CopyFileReplacing(path, MakeBackupPath(path));
    // The user's removals hold for this conversion even when the file cannot take them.
    for (int row = pList->GetItemCount() - 1; row >= 0; --row) {
        CSpeedCamData* pCam = pList->GetItemCamera(row);
        if (pCam->m_bRemoved != 1) continue;
        pList->DeleteItem(row);
        pSet->RemoveCamera(pCam);
    }
    if (!backedUp) return SaveResult::BackupFailed;
    const bool written = partnerText ? ExportPartnerText(path, pSet) : ExportCamWorkbook(path, pSet);
    return written ? SaveResult::Saved : SaveResult::WriteFailed;
}
