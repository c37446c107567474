// Camera workbooks (sheets "note" and "data"): reading one into a camera set, and writing a
// set into the "data" sheet of an existing one.
#pragma once

#include <string>

class CSpeedCamDataSet;
class ICameraList;

// Reads the workbook's cameras into the set, one record per data row, and lists the records
// that fail a rule in the list control when one is given. A non-empty typeList is used as the
// camera type list; otherwise the workbook's own (note cell row 1000, column 5).
// False when the file is missing, is not a workbook or has no sheet "note" (nothing changed),
// or has no sheet "data" (the set and the control are then already emptied).
bool ImportCamWorkbook(const std::wstring& typeList, ICameraList* pList, const std::wstring& path,
                       CSpeedCamDataSet* pSet);

// Writes the set's cameras, all six values as reals, into rows 1... of sheet "data" and clears
// the rows beyond them that held cameras before; column 0, the header row and the note sheet
// stay. False when the file is no workbook, has no sheet "data", holds more records than a
// sheet has rows, or cannot be written back (the file then keeps its old content).
bool ExportCamWorkbook(const std::wstring& path, const CSpeedCamDataSet* pSet);

// The text a note cell shows: "%10d" for integers, "%10.6lf" for reals, 8-bit text widened
// byte by byte, 16-bit text as it is, nothing for formulas and empty cells.
class ExcelCell;
std::wstring NoteCellText(const ExcelCell* pCell);
