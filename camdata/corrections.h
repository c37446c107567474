// Saving the user's corrections back into the file they were imported from.
#pragma once

#include <string>

class CSpeedCamDataSet;
class ICameraList;

enum class SaveResult {
    Saved,         // backup made, removed records dropped, file rewritten
    BackupFailed,  // no backup could be made: the file is untouched; removed records dropped
    WriteFailed,   // the rewrite failed: the file keeps its old content (the backup exists)
};

// Copies the file to its backup name, drops the listed records the user removed (from the
// list and from the set), and writes the set back: as partner text or into the workbook's
// "data" sheet. The user's file is only overwritten once a backup of it exists; the removals
// are dropped from the set all the same, so that the conversion goes without them.
SaveResult SaveCorrections(const std::wstring& path, bool partnerText, CSpeedCamDataSet* pSet,
                           ICameraList* pList);
