// One conversion as the wizard and kovracli walk it, without any window: the three imports with
// the records listed for correction, the choice among cameras at one place, the conversion
// workbook, the converter's run and the device file's copy into the destination folder.
//
// The session performs each step itself and says what became of it to its observer; the
// wizard's pages forward the user's clicks and paint what their presenters make of the state.
// Long work (reading a file, the duplicate search, the conversion workbook) goes as a job
// through the runner the caller provides: the wizard runs it on a worker thread, kovracli and
// the tests inline or when they choose. A job owns what it works on while it runs (the search
// and the workbook take the three sources with them and bring them back), so no thread ever
// shares the session's data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camdata/camera_list.h"
#include "camdata/corrections.h"
#include "camdata/duplicate_filter.h"
#include "camdata/speed_cam_data_set.h"

// The wizard's steps: the three sources, then the conversion.
enum CamStep { kStepBase, kStepPartner, kStepCustom, kStepConvert, kCamStepCount };

// One import: what steps 1-3 read from a file.
struct ImportedSource {
    enum Outcome {
        kImported,       // cameras were read (some may be listed for correction)
        kInvalidFile,    // not a file of the step's kind, or the working base copy failed
        kNoCameras,      // a file of the right kind without a single camera
    };

    int step = kStepBase;
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
// conversion workbook is made later. Safe on any thread: it only touches what it returns and
// the files.
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

// Where the model's converter is and what it writes.
struct ConverterFiles {
    std::wstring exe, rawFile, successLog, errorLog;
};

// The device names of the models that "Setting.ini" in the program folder lists, in order.
std::vector<std::wstring> ModelNames(const std::wstring& programFolder);
// The converter files of model (from 1) as "Setting.ini" names them, and its device name.
// False when the file lists no such model.
bool ModelConverter(const std::wstring& programFolder, int model, ConverterFiles* files,
                    std::wstring* deviceName = nullptr);

// Long work of the session, run by the caller's runner.
class SessionJob {
public:
    virtual ~SessionJob() = default;
    // "read", "search" or "workbook": what the job does.
    virtual const char* Name() const = 0;
    // On any thread: touches nothing but what the job owns.
    virtual void Work() = 0;
    // On the session's thread, after Work: hands the result to the session.
    virtual void Done() = 0;
};

class ISessionRunner {
public:
    virtual ~ISessionRunner() = default;
    // Runs the job's Work, then its Done on the caller's thread. A runner that goes away with
    // a job unfinished drops it without Done; the job's data goes with it.
    virtual void Run(std::unique_ptr<SessionJob> job) = 0;
};

// Runs each job at once, on the caller's thread.
class InlineRunner : public ISessionRunner {
public:
    void Run(std::unique_ptr<SessionJob> job) override {
        job->Work();
        job->Done();
    }
};

// What the session tells the one who shows it. Every call comes on the session's thread.
class ISessionObserver {
public:
    virtual ~ISessionObserver() = default;
    // The step's import state changed.
    virtual void OnImportChanged(int /*step*/) {}
    // The records to correct are listed in Source(step).invalid: show them.
    virtual void OnCorrectionListed(int /*step*/) {}
    // Let go of the listed records of the step: from now on they may be deleted.
    virtual void OnCorrectionEnding(int /*step*/) {}
    // The chosen file is not of the step's kind: the step is empty and on its first screen.
    virtual void OnImportRefused(int /*step*/) {}
    // The step is done (imported or skipped): on to the next one.
    virtual void OnStepDone(int /*step*/) {}
    // The conversion's state changed.
    virtual void OnConvertChanged() {}
};

class ConversionSession {
public:
    // The screens of import steps 1-3, in the order an import walks them.
    enum ImportScreen { kChoose, kLoading, kExamined, kCorrecting, kImported };
    struct ImportState {
        ImportScreen screen = kChoose;
        bool download = true;        // step 1: the base data from the server
        bool downloading = false;
        bool loadFailed = false;     // the file gave no cameras
        bool allValid = false;       // every listed record is valid or removed
        bool nothingToSave = true;   // no record was listed
        SaveResult saved = SaveResult::Saved;
    };
    // What "Next >" did.
    enum NextResult {
        kNextRefused,   // no file to read: nothing happened
        kNextDownload,  // the base data is to come from the server: the caller fetches it
        kNextTaken,     // the session went on
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
    struct ConvertState {
        Screen screen = kSettings;
        Failure failure = kFailNone;
        bool converterRuns = false;  // started, not answered or ended
        int group = 0;               // the group on show
        int groupCount = 0;
        bool alwaysSelect = false;
        bool groupMode = true;       // groups are chosen one by one
        int chosenRow = 0;
    };

    // folder holds the working base file and "History" (the program folder in the wizard).
    // Without a runner, jobs run inline.
    explicit ConversionSession(const std::wstring& folder);
    ~ConversionSession();
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    void SetRunner(ISessionRunner* pRunner) { m_pRunner = pRunner ? pRunner : &m_inline; }
    void SetObserver(ISessionObserver* pObserver) { m_pObserver = pObserver ? pObserver : &m_silent; }
    void SetLauncher(IConverterLauncher* pLauncher) { m_pLauncher = pLauncher; }

    const std::wstring& Folder() const { return m_strFolder; }
    std::wstring WorkingBasePath() const;
    // A job holds the sources: the steps and their data wait for it.
    bool IsBusy() const { return m_bBusy; }

    // Steps 1-3: the data

    CSpeedCamDataSet& Set(int step) { return m_sources[step]->set; }
    const ImportedSource& Source(int step) const { return *m_sources[step]; }
    ImportedSource& Source(int step) { return *m_sources[step]; }
    // The type list a later import of step tests against.
    std::wstring TypeListFor(int step) const;
    // ImportSource for the step, adopted at once (kovracli).
    ImportedSource::Outcome Import(int step, const std::wstring& path);
    // Takes over an import made elsewhere. A failed one leaves the step empty.
    ImportedSource::Outcome Adopt(std::unique_ptr<ImportedSource> source);
    // Empties the step.
    void ResetStep(int step);
    // Marks every listed record removed ("Remove all invalid data").
    void RemoveAllInvalid(int step);
    // True when every listed record is valid or removed.
    bool AllValid(int step) const;
    // Writes the corrections back into the step's file after a backup (a CSV file only in the
    // lines and fields that changed), and drops the removed records from the set whatever
    // happens to the file.
    SaveResult SaveCorrections(int step);
    // Drops the removed records from the set without touching the file (kovracli).
    int DropRemoved(int step);

    // Steps 1-3: the road

    const ImportState& ImportStateOf(int step) const { return m_import[step]; }
    // Step 1: the base data from the server (true) or from a file.
    void ChooseDownload(bool download);
    bool DownloadChosen() const { return m_import[kStepBase].download; }
    // "Next >" with the path in the file field (any screen).
    NextResult Next(int step, const std::wstring& path);
    // The download the caller fetches has started, ended with the base data read (on its own
    // thread, into a source of its own), or failed.
    void BeginDownload(int step);
    void OnDownloaded(std::unique_ptr<ImportedSource> source);
    void OnDownloadFailed(int step);
    // After an edit or a removal in the list: whether "Next >" may save now.
    void RecheckCorrections(int step);
    // "Skip": on with the set as it stands, nothing written back.
    void Skip(int step);
    // "< Back": the step starts over, empty. True when the wizard goes back a step (step 1 on
    // a later screen only goes back to its first one).
    bool Back(int step);
    // The step empty and on its first screen (a restart, going back from a later step).
    void Restart(int step);

    // Step 4

    const ConvertState& ConvertStateOf() const { return m_convert; }
    Screen GetScreen() const { return m_convert.screen; }
    Failure GetFailure() const { return m_convert.failure; }
    bool IsWaitingForConverter() const { return m_convert.screen == kConverting && m_convert.converterRuns; }
    CDuplicateFilter* Filter() { return m_bBusy ? nullptr : m_pFilter.get(); }

    // The model's converter, and the folder the device file is copied to (remembered in the
    // user's profile when the user chose it).
    void ChooseConverter(const ConverterFiles& files) { m_converter = files; }
    const ConverterFiles& Converter() const { return m_converter; }
    void ChooseDestFolder(const std::wstring& folder, bool remember);
    const std::wstring& DestFolder() const { return m_strDestFolder; }

    // "Convert": the duplicate search, then the choice or, without duplicates, the workbook
    // and the converter.
    void Convert();
    // The group on show with its rows in the given labels' language; false when there is
    // none.
    bool ShowGroup(const CDuplicateLabels& labels, CDuplicateGroupView* pView);
    void ChooseRow(int row) { m_convert.chosenRow = row; }
    void SetAlwaysSelect(bool on);
    // "Next Set >" / "Next >": keeps the choice (or the source of "Always select" in every
    // group left) and moves on; after the last group the workbook and the converter follow.
    void NextSet(int alwaysSource);
    const std::wstring& Workbook() const { return m_strWorkbook; }
    // The converter run waited for: its number (never 0), 0 when none.
    unsigned ConverterRun() const { return m_convert.converterRuns ? m_nRun : 0; }
    // The converter's answer for a run: success copies the device file into the destination
    // folder. An answer for any run but the one waited for changes nothing.
    void OnConverterAnswer(unsigned run, bool success);
    // The run's converter ended without answering.
    void OnConverterEnded(unsigned run);
    // After a failed copy: the same device file into another folder.
    bool CopyAgain(const std::wstring& destFolder);
    const std::wstring& CopiedFile() const { return m_strCopied; }
    // The converter's error log, at most maxBytes; false when it cannot be read.
    bool ReadErrorLog(std::vector<uint8_t>* bytes, uint64_t maxBytes) const;
    // Writes the copied device file's cameras as "speed.kml" beside it and returns its path;
    // empty when there is no copy or the file cannot be written.
    std::wstring WriteMap() const;
    // Back to the settings screen; the choice starts afresh.
    void ResetConvert();

private:
    class ReadJob;
    class SearchJob;
    class WorkbookJob;
    struct Sources;

    void ImportChanged(int step);
    void ConvertChanged();
    void EndCorrection(int step);
    void TakeImport(std::unique_ptr<ImportedSource> source);
    void SaveAndShow(int step);
    void HandOver(int step);

    std::unique_ptr<Sources> LendSources();
    void TakeBack(std::unique_ptr<Sources> sources);
    void OnSearchDone(unsigned job, std::unique_ptr<Sources> sources);
    void OnWorkbookBuilt(unsigned job, std::unique_ptr<Sources> sources, const std::wstring& workbook);
    void BuildWorkbook();
    void SetScreen(Screen screen);
    void Fail(Failure failure);
    bool CopyResult(const std::wstring& destFolder);

    std::wstring m_strFolder;
    InlineRunner m_inline;
    ISessionObserver m_silent;
    ISessionRunner* m_pRunner = &m_inline;
    ISessionObserver* m_pObserver = &m_silent;
    IConverterLauncher* m_pLauncher = nullptr;

    std::unique_ptr<ImportedSource> m_sources[3];
    ImportState m_import[3];
    unsigned m_nReading[3] = {0, 0, 0};  // the read job each step waits for; 0: none

    ConvertState m_convert;
    std::unique_ptr<CDuplicateFilter> m_pFilter;
    bool m_bBusy = false;
    unsigned m_nJob = 0;  // the last job started; a result of any other is dropped
    std::wstring m_strWorkbook;
    ConverterFiles m_converter;
    std::wstring m_strDestFolder;
    unsigned m_nRun = 0;  // the last converter run started
    std::wstring m_strCopied;
};
