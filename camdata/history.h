// The working base file, the History folder of conversion workbooks, backups, and the
// conversion workbook built from the three camera sets.
#pragma once

#include <ctime>
#include <string>

class CSpeedCamDataSet;

// folder + "\~MyBaseFile.xls": a copy of the last workbook imported successfully. The folder
// is the program folder in the wizard.
std::wstring GetWorkingBaseFilePath(const std::wstring& folder);

// folder + "\History" + "\BaseFile_%Y%m%d-%H%M%S.xls" in local time (now, or the given time).
std::wstring MakeHistoryFilePath(const std::wstring& folder);
std::wstring MakeHistoryFilePath(const std::wstring& folder, std::time_t when);

// "_backup" goes before the file name's last ".": C:\Data\cams.xls gives C:\Data\cams_backup.xls.
// A point in a folder name does not count; a name without a point gets "_backup" at its end.
std::wstring MakeBackupPath(const std::wstring& path);

// Merges base, partner and custom cameras (in that order) into a copy of the working base
// file in folder's History folder. Returns the copy's path, or an empty text on failure.
std::wstring BuildConversionWorkbook(const std::wstring& folder, const CSpeedCamDataSet* pBase,
                                     const CSpeedCamDataSet* pPartner, const CSpeedCamDataSet* pCustom);
