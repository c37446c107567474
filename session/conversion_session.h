// One conversion as the wizard and kovracli walk it, without any window: the three imports with
// the records listed for correction, the choice among cameras at one place, the conversion
// workbook, the converter's run and the device file's copy into the destination folder. The
// wizard's pages show its state and forward the user's actions to it; kovracli drives it with
// its options instead of asking.
//
// Nothing here waits or starts a thread. The long parts (an import, the duplicate search, the
// conversion workbook) are plain calls that a caller may run on a worker thread as long as it
// touches nothing of the session meanwhile.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "camdata/camera_list.h"
#include "camdata/corrections.h"
#include "camdata/duplicate_filter.h"
#include "camdata/speed_cam_data_set.h"

// One import: what steps 1-3 read from a file.
struct ImportedSource {
    enum Outcome {
        kImported,       // cameras were read (some may be listed for correction)
        kInvalidFile,    // not a file of the step's kind, or the working base copy failed
        kNoCameras,      // a file of the right kind without a single camera
    };

    int step = 0;  // 0 base data, 1 partner text, 2 customized workbook or CSV file
    std::wstring path;
    bool csv = false;              // step 3 read a CSV file: no workbook to make the conversion from
    std::string problem;           // why the file was refused, when known (UTF-8)
    CSpeedCamDataSet set;
    CCameraListMemory invalid;     // the records that failed a rule, in file order
    std::vector<int> lines;        // partner text and CSV: the file line of each record
    Outcome outcome = kInvalidFile;
};

// Reads path as the step's kind of file (step 3 also takes a CSV file, told by its content).
// typeList is the base data's camera type list (steps 2 and 3 test types against it; step 1
// uses its own). A workbook that gave cameras is copied to workingBase, from which the
// conversion workbook is made later. Safe on any thread: it only
// touches what it returns and the files.
std::unique_ptr<ImportedSource> ImportSource(int step, const std::wstring& path,
                                             const std::wstring& typeList,
                                             const std::wstring& workingBase);

// Starts the converter. The wizard runs a process and hears its answer later; kovracli runs
// the converter core at once.
class IConverterLauncher {
public:
    virtual ~IConverterLauncher() = default;
    // Starts exe on the conversion workbook. False when it cannot be started.
    virtual bool Start(const std::wstring& exe, const std::wstring& workbook) = 0;
};

// Where the model's converter is and what it writes (see CModelSettings).
struct ConverterFiles {
    std::wstring exe, rawFile, successLog, errorLog;
};

class ConversionSession {
public:
    // The screens of import steps 1-3, in the order an import walks them.
    enum ImportScreen { kChoose, kLoading, kExamined, kCorrecting, kImported };
    // What the import page does next after "Next >" (or its own next-screen message).
    enum ImportAction {
        kImportNone,       // the screen changed, or the failure shows: show the view
        kImportRefused,    // no file to read: a beep
        kImportDownload,   // fetch the base data from the server
        kImportFile,       // read the chosen file (Import), then the next screen
        kImportExamine,    // the records to correct are listed: to the first, then on
        kImportSave,       // save the corrections (SaveCorrections), then the result
        kImportHandOver,   // the step is done: on to the next step
    };
    // What an import page shows.
    struct ImportView {
        ImportScreen screen = kChoose;
        bool choice = false;         // step 1: download, or a file from the computer
        bool file = true;            // the file field and its Browse
        bool browseEnabled = true;   // not while the download is chosen
        bool templateButton = false; // step 3: the customized-data template
        bool progress = false;       // the download's progress and "Cancel Download"
        bool nextBack = true;        // "Next >" and "< Back"
        bool nextEnabled = true;     // on the first screen the page decides (a file exists)
        bool list = false;           // the records to correct
        bool correction = false;     // remove, remove all, previous and next record
        bool failed = false;         // the file could not be used: the status in red, the note
        unsigned statusId = 0;       // 0: none; IDS_BASE_IMPORTED and IDS_SAVE_FAILED name the file
    };

    // The convert step's screens, in the order a conversion walks them.
    enum Screen { kSettings, kFiltering, kChoosing, kConverting, kResult, kDone };
    // Why a conversion ended without a device file in the destination folder.
    enum Failure {
        kFailNone,
        kFailConverterErrors,  // the converter reported errors; its error log tells which
        kFailWorkbook,         // the conversion workbook could not be written
        kFailStart,            // the converter could not be started
        kFailNoAnswer,         // the converter ended without a result
        kFailCopy,             // the device file could not be copied to the destination
    };
    // What the caller does next after an event.
    enum Action { kNone, kSearchDuplicates, kBuildWorkbook, kStartConverter, kCopyResult };

    // What the convert page shows: the screen, its status and which controls it has.
    struct ConvertView {
        Screen screen = kSettings;
        Failure failure = kFailNone;
        unsigned statusId = 0;      // the status text (kStatusDone: the joined done notes)
        bool settings = true;       // model list, destination folder and its Browse
        bool convert = true;        // the Convert button shown
        bool convertEnabled = true;
        bool back = true;           // "< Back" shown
        bool backEnabled = true;
        bool choice = false;        // camera rows, "Always select" and its source list
        bool rowsEnabled = false;   // the rows take clicks (not while "Always select" holds)
        bool sourceEnabled = false; // the source list takes a choice
        bool next = false;          // the Next / "Next Set >" button
        unsigned nextTextId = 0;
        bool tryAgain = false;
        bool browseAgain = false;   // the copy failed: another folder can be chosen
        bool openFolder = false;
        bool showOnMap = false;     // the copied device file as a map
        bool log = false;           // the converter's error log
        bool waitCursor = false;
    };

    // The done screen's status: strings 236 to 240 joined.
    static constexpr unsigned kStatusDone = 173;
    static unsigned FailureStatusId(Failure failure);

    // folder holds the working base file and "History" (the program folder in the wizard).
    explicit ConversionSession(const std::wstring& folder);
    ~ConversionSession();
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    const std::wstring& Folder() const { return m_strFolder; }
    std::wstring WorkingBasePath() const;

    // Steps 1-3

    CSpeedCamDataSet& Set(int step) { return m_sources[step]->set; }
    const ImportedSource& Source(int step) const { return *m_sources[step]; }
    ImportedSource& Source(int step) { return *m_sources[step]; }
    // The type list a later import of step tests against.
    std::wstring TypeListFor(int step) const;
    // ImportSource for the step, adopted at once.
    ImportedSource::Outcome Import(int step, const std::wstring& path);
    // Takes over an import made elsewhere (on a worker thread). A failed one leaves the step
    // empty.
    ImportedSource::Outcome Adopt(std::unique_ptr<ImportedSource> source);
    // Empties the step (going back, a restart).
    void ResetStep(int step);
    // Marks every listed record removed ("Remove all invalid data").
    void RemoveAllInvalid(int step);
    // True when every listed record is valid or removed.
    bool AllValid(int step) const;
    // Writes the corrections back into the step's file after a backup (a CSV file as CSV), and
    // drops the removed records from the set whatever happens to the file.
    SaveResult SaveCorrections(int step);
    // Drops the removed records from the set without touching the file (kovracli).
    int DropRemoved(int step);

    // The import pages' screens
    ImportView ImportViewOf(int step) const;
    ImportScreen GetImportScreen(int step) const { return m_import[step].screen; }
    bool IsLoadFailed(int step) const { return m_import[step].loadFailed; }
    // Step 1: the base data from the server (true) or from a file.
    void ChooseDownload(bool download) { m_import[0].download = download; }
    bool DownloadChosen() const { return m_import[0].download; }
    // "Next >", or the page's own next-screen message after a load or a check.
    ImportAction ImportNext(int step, bool fileExists);
    // The download has started: its progress shows until it reports.
    void BeginDownload(int step);
    // The download or the read ended: failed when the file gave no cameras.
    void EndLoad(int step, bool failed);
    // After an edit or a removal: whether every listed record is now valid or removed.
    void RefreshAllValid(int step) { m_import[step].allValid = AllValid(step); }
    bool IsAllValid(int step) const { return m_import[step].allValid; }
    // The result of the save, for the status.
    void SetSaveResult(int step, bool nothingToSave, SaveResult result);
    // Back to the first screen (the records stay until ResetStep).
    void ResetImport(int step);

    // Step 4

    const ConvertView& View() const { return m_view; }
    Screen GetScreen() const { return m_view.screen; }
    Failure GetFailure() const { return m_view.failure; }
    CDuplicateFilter* Filter() { return m_pFilter.get(); }
    int CurrentGroup() const { return m_nCurGroup; }
    int GroupCount() const { return m_nGroupCount; }
    bool AlwaysSelect() const { return m_bAlwaysSelect; }
    int ChosenRow() const { return m_nChosenRow; }

    // The duplicates are shown in pList (may be null) with the labels of the language in use.
    void SetDuplicateList(IDuplicateList* pList) { m_pDuplicateList = pList; }
    void SetLabels(const CDuplicateLabels& labels);

    // "Convert": on to the duplicate search (kSearchDuplicates), unless not on the settings.
    Action StartConvert();
    // The search itself; may run on a worker thread.
    void SearchDuplicates();
    // After the search: the choice (kNone) or, without duplicates, the workbook.
    Action OnSearchDone();
    // The group on show with its rows; false when there is none.
    bool ShowGroup(CDuplicateGroupView* pView);
    void ChooseRow(int row) { m_nChosenRow = row; }
    void SetAlwaysSelect(bool on);
    // "Next Set >" / "Next >": keeps the choice (or the source of "Always select" in every
    // group left) and moves on; kBuildWorkbook after the last group.
    Action NextSet(int alwaysSource);
    // Writes the conversion workbook from the three sets; may run on a worker thread. Empty on
    // failure.
    std::wstring BuildWorkbook() const;
    // After BuildWorkbook: kStartConverter, or a failure.
    Action OnWorkbookBuilt(const std::wstring& workbook);
    const std::wstring& Workbook() const { return m_strWorkbook; }
    // Starts the converter named in files on the workbook through the launcher.
    void StartConverter(const ConverterFiles& files, IConverterLauncher* pLauncher);
    const ConverterFiles& Converter() const { return m_converter; }
    bool IsWaitingForConverter() const { return m_view.screen == kConverting && m_bConverterStarted; }
    // The converter's answer: 1 success, 0 errors. kCopyResult on success.
    Action OnConverterAnswer(bool success);
    // The converter ended without answering.
    void OnConverterEnded();
    // Copies the device file into the folder: the done screen, or the copy failure. A failed
    // copy may be repeated with another folder from the same result.
    bool CopyResult(const std::wstring& destFolder);
    const std::wstring& CopiedFile() const { return m_strCopied; }
    // Writes the copied device file's cameras as "speed.kml" beside it and returns its path;
    // empty when there is no copy or the file cannot be written.
    std::wstring WriteMap() const;
    // Back to the settings screen; the choice starts afresh.
    void ResetConvert();

private:
    void SetScreen(Screen screen);
    void Fail(Failure failure);

    struct ImportState {
        ImportScreen screen = kChoose;
        bool download = true;
        bool downloading = false;
        bool loadFailed = false;
        bool allValid = false;
        bool nothingToSave = true;
        SaveResult saved = SaveResult::Saved;
    };

    std::wstring m_strFolder;
    std::unique_ptr<ImportedSource> m_sources[3];
    ImportState m_import[3];

    ConvertView m_view;
    IDuplicateList* m_pDuplicateList = nullptr;
    CDuplicateLabels m_labels;
    std::unique_ptr<CDuplicateFilter> m_pFilter;
    int m_nCurGroup = 0;
    int m_nGroupCount = 0;
    bool m_bAlwaysSelect = false;
    bool m_bGroupMode = true;
    int m_nChosenRow = 0;
    std::wstring m_strWorkbook;
    ConverterFiles m_converter;
    bool m_bConverterStarted = false;
    std::wstring m_strCopied;
};
