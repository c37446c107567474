// The conversion session: the three imports with their corrections, the duplicate choice, the
// conversion workbook, the converter and the device file's copy, performed step by step.
#include "session/conversion_session.h"

#include <algorithm>
#include <cwctype>

#include "base/file_io.h"
#include "base/paths.h"
#include "camdata/cam_workbook.h"
#include "camdata/history.h"
#include "camdata/partner_text.h"
#include "exchange/cam_csv.h"
#include "exchange/cam_record.h"
#include "exchange/kml.h"
#include "camdata/config.h"

namespace {

// As large as the CSV import reads.
const uint64_t kMaxCsvBytes = 256u << 20;

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x == L'/') x = L'\\';
        if (y == L'/') y = L'\\';
        if (std::towlower(wint_t(x)) != std::towlower(wint_t(y))) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<ImportedSource> ImportSource(int step, const std::wstring& path,
                                             const std::wstring& typeList,
                                             const std::wstring& workingBase) {
    std::unique_ptr<ImportedSource> s(new ImportedSource);
    s->step = step;
    s->path = path;
    s->csv = step == 2 && exchange::IsCamCsvFile(path);
    bool ok;
    if (s->csv) {
        exchange::CamCsvReport report;
        ok = exchange::ImportCamCsv(typeList, &s->invalid, path, &s->set, &report);
        s->lines = report.lines;
        s->problem = report.error;
    } else {
        ok = step == 1 ? ImportPartnerText(typeList, path, &s->set, &s->invalid, &s->lines)
                       : ImportCamWorkbook(step == 0 ? std::wstring() : typeList, &s->invalid, path, &s->set);
    }
    if (!ok) {
        s->outcome = ImportedSource::kInvalidFile;
    } else if (s->set.GetCount() == 0) {
        s->outcome = ImportedSource::kNoCameras;
    } else if (step != 1 && !s->csv && !kovra::CopyFileReplacing(path, workingBase)) {
        // The conversion workbook is made from this copy: without it the import is no use.
        s->outcome = ImportedSource::kInvalidFile;
    } else {
        s->outcome = ImportedSource::kImported;
        s->set.SetSource(int16_t(step));
    }
    if (s->outcome == ImportedSource::kInvalidFile) {
        s->invalid.DeleteAllItems();
        s->set.RemoveAll(true);
        s->lines.clear();
    }
    return s;
}

std::vector<std::wstring> ModelNames(const std::wstring& programFolder) {
    return GetModelNames(kovra::JoinPath(programFolder, L"\\Setting.ini"));
}

bool ModelConverter(const std::wstring& programFolder, int model, ConverterFiles* files,
                    std::wstring* deviceName) {
    const std::wstring ini = kovra::JoinPath(programFolder, L"\\Setting.ini");
    CModelSettings m;
    // A model the file does not list still gets its paths: they name no file, so the start
    // fails and says so.
    const bool listed = GetModelSettings(ini, programFolder, model, &m) && model >= 1 && model <= GetModelCount(ini);
    *files = ConverterFiles{m.m_strConvertExe, m.m_strRawFile, m.m_strSuccessLog, m.m_strErrorLog};
    if (deviceName) *deviceName = m.m_strDeviceName;
    return listed;
}

// The three sources and the filter over them, lent to a job while it works.
struct ConversionSession::Sources {
    std::unique_ptr<ImportedSource> step[3];
    std::unique_ptr<CDuplicateFilter> filter;
};

// Reads a file of a step into a source of its own.
class ConversionSession::ReadJob : public SessionJob {
public:
    ReadJob(ConversionSession* session, unsigned id, int step, const std::wstring& path)
        : m_session(session), m_id(id), m_step(step), m_path(path), m_types(session->TypeListFor(step)),
          m_workingBase(session->WorkingBasePath()) {}
    const char* Name() const override { return "read"; }
    void Work() override { m_result = ImportSource(m_step, m_path, m_types, m_workingBase); }
    void Done() override {
        if (m_session->m_nReading[m_step] == m_id) m_session->TakeImport(std::move(m_result));
    }

private:
    ConversionSession* m_session;
    unsigned m_id;
    int m_step;
    std::wstring m_path, m_types, m_workingBase;
    std::unique_ptr<ImportedSource> m_result;
};

// The duplicate search over the lent sources.
class ConversionSession::SearchJob : public SessionJob {
public:
    SearchJob(ConversionSession* session, unsigned id, std::unique_ptr<Sources> sources)
        : m_session(session), m_id(id), m_sources(std::move(sources)) {}
    const char* Name() const override { return "search"; }
    void Work() override { m_sources->filter->FindDuplicateGroups(); }
    void Done() override { m_session->OnSearchDone(m_id, std::move(m_sources)); }

private:
    ConversionSession* m_session;
    unsigned m_id;
    std::unique_ptr<Sources> m_sources;
};

// The conversion workbook from the lent sources.
class ConversionSession::WorkbookJob : public SessionJob {
public:
    WorkbookJob(ConversionSession* session, unsigned id, std::unique_ptr<Sources> sources)
        : m_session(session), m_id(id), m_folder(session->m_strFolder), m_sources(std::move(sources)) {}
    const char* Name() const override { return "workbook"; }
    void Work() override {
        // The folder is made at start; it may have gone since.
        kovra::CreateFolder(kovra::JoinPath(m_folder, L"\\History"));
        m_workbook = BuildConversionWorkbook(m_folder, &m_sources->step[0]->set, &m_sources->step[1]->set,
                                             &m_sources->step[2]->set);
    }
    void Done() override { m_session->OnWorkbookBuilt(m_id, std::move(m_sources), m_workbook); }

private:
    ConversionSession* m_session;
    unsigned m_id;
    std::wstring m_folder;
    std::unique_ptr<Sources> m_sources;
    std::wstring m_workbook;
};

namespace {

std::unique_ptr<ImportedSource> EmptySource(int step, const std::wstring& path = std::wstring()) {
    std::unique_ptr<ImportedSource> s(new ImportedSource);
    s->step = step;
    s->path = path;
    return s;
}

}  // namespace

ConversionSession::ConversionSession(const std::wstring& folder) : m_strFolder(folder) {
    for (int s = 0; s < 3; ++s) m_sources[s] = EmptySource(s);
}

// The filter points into the sets: it goes first.
ConversionSession::~ConversionSession() { m_pFilter.reset(); }

std::wstring ConversionSession::WorkingBasePath() const { return GetWorkingBaseFilePath(m_strFolder); }

void ConversionSession::ImportChanged(int step) { m_pObserver->OnImportChanged(step); }

void ConversionSession::ConvertChanged() { m_pObserver->OnConvertChanged(); }

// Steps 1-3: the data

std::wstring ConversionSession::TypeListFor(int step) const {
    return step == 0 ? std::wstring() : m_sources[0]->set.m_strCameraTypes;
}

ImportedSource::Outcome ConversionSession::Import(int step, const std::wstring& path) {
    return Adopt(ImportSource(step, path, TypeListFor(step), WorkingBasePath()));
}

ImportedSource::Outcome ConversionSession::Adopt(std::unique_ptr<ImportedSource> source) {
    const int step = source->step;
    // Whoever shows the old records lets go of them, and a filter over the old sets would
    // point at freed ones.
    EndCorrection(step);
    m_pFilter.reset();
    m_sources[step] = std::move(source);
    return m_sources[step]->outcome;
}

void ConversionSession::ResetStep(int step) { Adopt(EmptySource(step, m_sources[step]->path)); }

void ConversionSession::EndCorrection(int step) {
    m_pObserver->OnCorrectionEnding(step);
    // The records stay in the set as they stand; only the list of them goes.
    m_sources[step]->invalid.m_items.clear();
}

void ConversionSession::RemoveAllInvalid(int step) {
    for (CSpeedCamData* cam : m_sources[step]->invalid.m_items) cam->m_bRemoved = 1;
}

bool ConversionSession::AllValid(int step) const {
    for (const CSpeedCamData* cam : m_sources[step]->invalid.m_items)
        if (!cam->m_bRemoved && !cam->IsValid()) return false;
    return true;
}

SaveResult ConversionSession::SaveCorrections(int step) {
    ImportedSource& s = *m_sources[step];
    if (!s.csv) return ::SaveCorrections(s.path, step == 1, &s.set, &s.invalid);
    // Only the listed records change in the user's file: each keeps its line, and the line
    // only loses what was removed or takes the corrected values.
    std::vector<exchange::CsvLineCorrection> corrections;
    size_t index = 0;
    for (POSITION pos = s.set.m_camList.GetHeadPosition(); pos; ++index) {
        const CSpeedCamData* cam = s.set.m_camList.GetNext(pos);
        if (index >= s.lines.size()) break;
        const exchange::CsvLineCorrection c = exchange::CorrectionOf(*cam, s.lines[index]);
        if (c.removed || std::any_of(std::begin(c.value), std::end(c.value), [](const std::string& v) { return !v.empty(); }))
            corrections.push_back(c);
    }
    const bool backedUp = kovra::CopyFileReplacing(s.path, MakeBackupPath(s.path));
    DropRemoved(step);
    if (!backedUp) return SaveResult::BackupFailed;
    std::vector<uint8_t> bytes;
    std::string text, error;
    if (!kovra::ReadWholeFile(s.path, bytes, kMaxCsvBytes) ||
        !exchange::PatchCamCsv(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               corrections, &text, &error))
        return SaveResult::WriteFailed;
    return kovra::WriteFileReplacing(s.path, text.data(), text.size()) ? SaveResult::Saved : SaveResult::WriteFailed;
}

int ConversionSession::DropRemoved(int step) {
    ImportedSource& s = *m_sources[step];
    std::vector<CSpeedCamData*> kept;
    int dropped = 0;
    for (CSpeedCamData* cam : s.invalid.m_items) {
        if (cam->m_bRemoved && s.set.RemoveCamera(cam))
            ++dropped;
        else
            kept.push_back(cam);
    }
    s.invalid.m_items.swap(kept);
    return dropped;
}

// Steps 1-3: the road

void ConversionSession::ChooseDownload(bool download) {
    m_import[0].download = download;
    ImportChanged(0);
}

ConversionSession::NextResult ConversionSession::Next(int step, const std::wstring& path) {
    ImportState& s = m_import[step];
    switch (s.screen) {
        case kChoose: {
            if (step == 0 && s.download) return kNextDownload;
            if (path.empty() || !kovra::FileExists(path)) return kNextRefused;
            s.screen = kLoading;
            s.loadFailed = false;
            ImportChanged(step);
            if (++m_nJob == 0) ++m_nJob;
            m_nReading[step] = m_nJob;
            m_pRunner->Run(std::unique_ptr<SessionJob>(new ReadJob(this, m_nJob, step, path)));
            return kNextTaken;
        }
        case kLoading:
        case kExamined:
            return kNextTaken;  // a read under way, or its failure on show
        case kCorrecting:
            SaveAndShow(step);
            return kNextTaken;
        case kImported:
            HandOver(step);
            return kNextTaken;
    }
    return kNextTaken;
}

void ConversionSession::BeginDownload(int step) {
    ImportState& s = m_import[step];
    s.screen = kLoading;
    s.downloading = true;
    s.loadFailed = false;
    ImportChanged(step);
}

void ConversionSession::OnDownloaded(std::unique_ptr<ImportedSource> source) {
    // A download given up on (the step went back meanwhile) brings nothing.
    if (!source || m_import[source->step].screen != kLoading || !m_import[source->step].downloading) return;
    TakeImport(std::move(source));
}

void ConversionSession::OnDownloadFailed(int step) {
    ImportState& s = m_import[step];
    if (s.screen != kLoading) return;
    s.downloading = false;
    s.loadFailed = true;
    ImportChanged(step);
}

// A read or a download has ended: the failure, the records to correct, or on at once.
void ConversionSession::TakeImport(std::unique_ptr<ImportedSource> source) {
    const int step = source->step;
    m_nReading[step] = 0;
    ImportState& s = m_import[step];
    s.downloading = false;
    const ImportedSource::Outcome outcome = Adopt(std::move(source));
    if (outcome == ImportedSource::kInvalidFile) {
        Restart(step);
        m_pObserver->OnImportRefused(step);
        return;
    }
    if (outcome == ImportedSource::kNoCameras) {
        s.loadFailed = true;
        ImportChanged(step);
        return;
    }
    s.screen = kExamined;
    s.allValid = m_sources[step]->invalid.GetItemCount() == 0;
    if (s.allValid) {
        SaveAndShow(step);
        return;
    }
    s.screen = kCorrecting;
    m_pObserver->OnCorrectionListed(step);
    ImportChanged(step);
}

// The corrections into the file, then the result; with nothing listed, on to the next step.
void ConversionSession::SaveAndShow(int step) {
    ImportState& s = m_import[step];
    s.screen = kImported;
    if (m_sources[step]->invalid.GetItemCount() == 0) {
        s.nothingToSave = true;
        s.saved = SaveResult::Saved;
        HandOver(step);
        return;
    }
    // The removed records are deleted by the save: nobody may show them any more.
    m_pObserver->OnCorrectionEnding(step);
    s.nothingToSave = false;
    s.saved = SaveCorrections(step);
    ImportChanged(step);
}

void ConversionSession::HandOver(int step) {
    EndCorrection(step);
    m_pObserver->OnStepDone(step);
}

void ConversionSession::RecheckCorrections(int step) {
    m_import[step].allValid = AllValid(step);
    ImportChanged(step);
}

void ConversionSession::Skip(int step) {
    m_nReading[step] = 0;  // a read under way is of no use now
    HandOver(step);
}

bool ConversionSession::Back(int step) {
    const ImportScreen screen = m_import[step].screen;
    Restart(step);
    return !(step == 0 && screen != kChoose);
}

void ConversionSession::Restart(int step) {
    m_nReading[step] = 0;
    const bool download = m_import[step].download;
    m_import[step] = ImportState();
    m_import[step].download = download;
    ResetStep(step);
    ImportChanged(step);
}

// Step 4

void ConversionSession::ChooseDestFolder(const std::wstring& folder, bool remember) {
    m_strDestFolder = folder;
    if (remember) SetDestFolderSetting(folder);
}

std::unique_ptr<ConversionSession::Sources> ConversionSession::LendSources() {
    std::unique_ptr<Sources> lent(new Sources);
    for (int s = 0; s < 3; ++s) {
        lent->step[s] = std::move(m_sources[s]);
        m_sources[s] = EmptySource(s, lent->step[s]->path);
    }
    lent->filter = std::move(m_pFilter);
    m_bBusy = true;
    return lent;
}

void ConversionSession::TakeBack(std::unique_ptr<Sources> sources) {
    m_pFilter.reset();
    for (int s = 0; s < 3; ++s) m_sources[s] = std::move(sources->step[s]);
    m_pFilter = std::move(sources->filter);
    m_bBusy = false;
}

void ConversionSession::SetScreen(Screen screen) { m_convert.screen = screen; }

void ConversionSession::Fail(Failure failure) {
    m_convert.converterRuns = false;
    m_convert.failure = failure;
    SetScreen(kResult);
}

void ConversionSession::Convert() {
    if (m_convert.screen != kSettings || m_bBusy) return;
    m_convert.failure = kFailNone;
    m_convert.group = 0;
    m_convert.groupCount = 0;
    m_strWorkbook.clear();
    m_strCopied.clear();
    // The choice deletes records from the sets: no correction list may still show them.
    for (int step = 0; step < 3; ++step) EndCorrection(step);
    m_pFilter.reset(new CDuplicateFilter(&Set(0), &Set(1), &Set(2), nullptr));
    SetScreen(kFiltering);
    ConvertChanged();
    if (++m_nJob == 0) ++m_nJob;
    m_pRunner->Run(std::unique_ptr<SessionJob>(new SearchJob(this, m_nJob, LendSources())));
}

void ConversionSession::OnSearchDone(unsigned job, std::unique_ptr<Sources> sources) {
    TakeBack(std::move(sources));
    if (job != m_nJob || m_convert.screen != kFiltering) {
        m_pFilter.reset();  // given up on
        return;
    }
    m_convert.groupCount = m_pFilter->GetGroupCount();
    m_convert.group = 0;
    if (m_pFilter->GetDuplicateCount() == 0) {
        SetScreen(kConverting);
        ConvertChanged();
        BuildWorkbook();
        return;
    }
    m_convert.groupMode = !m_convert.alwaysSelect;
    m_pFilter->ShowDuplicateGroup(0, nullptr);
    SetScreen(kChoosing);
    ConvertChanged();
}

bool ConversionSession::ShowGroup(const CDuplicateLabels& labels, CDuplicateGroupView* pView) {
    CDuplicateGroupView view;
    if (m_bBusy || !m_pFilter) return false;
    m_pFilter->SetLabels(labels);
    if (!m_pFilter->ShowDuplicateGroup(m_convert.group, &view)) return false;
    // The choice stays where it was unless that row has no camera now.
    if (m_convert.chosenRow >= view.m_nRowCount) m_convert.chosenRow = 0;
    if (pView) *pView = view;
    return true;
}

void ConversionSession::SetAlwaysSelect(bool on) {
    m_convert.alwaysSelect = on;
    if (m_convert.screen != kChoosing) return;
    m_convert.groupMode = !on;
    ConvertChanged();
}

void ConversionSession::NextSet(int alwaysSource) {
    if (m_convert.screen != kChoosing || !m_pFilter || m_bBusy) return;
    ConvertState& c = m_convert;
    if (c.alwaysSelect) {
        m_pFilter->KeepSourceForAll(alwaysSource, c.group);
        c.group = std::max(c.groupCount - 1, 0);
        c.groupMode = false;
    } else if (c.groupMode) {
        if (c.group < c.groupCount) m_pFilter->KeepChosenCamera(c.chosenRow);
        ++c.group;
        // A group with nothing left to choose from is passed over.
        while (c.group < c.groupCount && !m_pFilter->ShowDuplicateGroup(c.group, nullptr)) ++c.group;
        if (c.group >= c.groupCount) c.groupMode = false;
    }
    if (c.groupMode) {
        ConvertChanged();
        return;
    }
    SetScreen(kConverting);
    ConvertChanged();
    BuildWorkbook();
}

void ConversionSession::BuildWorkbook() {
    if (++m_nJob == 0) ++m_nJob;
    m_pRunner->Run(std::unique_ptr<SessionJob>(new WorkbookJob(this, m_nJob, LendSources())));
}

void ConversionSession::OnWorkbookBuilt(unsigned job, std::unique_ptr<Sources> sources, const std::wstring& workbook) {
    TakeBack(std::move(sources));
    if (job != m_nJob || m_convert.screen != kConverting || m_convert.converterRuns) return;
    m_strWorkbook = workbook;
    if (workbook.empty()) {
        Fail(kFailWorkbook);
    } else if (!m_pLauncher || !m_pLauncher->Start(m_converter.exe, m_strWorkbook)) {
        Fail(kFailStart);
    } else {
        if (++m_nRun == 0) ++m_nRun;
        m_convert.converterRuns = true;
    }
    ConvertChanged();
}

void ConversionSession::OnConverterAnswer(unsigned run, bool success) {
    // Only the run this session waits for may answer: never one given up on before.
    if (!IsWaitingForConverter() || run != m_nRun) return;
    m_convert.converterRuns = false;
    if (!success) {
        Fail(kFailConverterErrors);
        ConvertChanged();
        return;
    }
    m_convert.failure = kFailNone;
    SetScreen(kResult);
    // The result shows first; the copy follows (kovracli's converter writes in place).
    ConvertChanged();
    if (m_converter.rawFile.empty()) return;
    CopyResult(m_strDestFolder);
    ConvertChanged();
}

void ConversionSession::OnConverterEnded(unsigned run) {
    if (!IsWaitingForConverter() || run != m_nRun) return;
    Fail(kFailNoAnswer);
    ConvertChanged();
}

bool ConversionSession::CopyAgain(const std::wstring& destFolder) {
    const bool copied = CopyResult(destFolder);
    ConvertChanged();
    return copied;
}

bool ConversionSession::CopyResult(const std::wstring& destFolder) {
    const Failure f = m_convert.failure;
    if (m_convert.screen != kResult || (f != kFailNone && f != kFailCopy)) return false;
    const std::wstring name = kovra::FileNameOf(m_converter.rawFile);
    const std::wstring dest = destFolder.empty() ? name : kovra::JoinPath(destFolder, name);
    // The destination may be the converter's own folder: then the file is already there.
    const bool copied = SamePath(dest, m_converter.rawFile) ? kovra::FileExists(dest)
                                                            : kovra::CopyFileReplacing(m_converter.rawFile, dest);
    if (!copied) {
        Fail(kFailCopy);
        return false;
    }
    m_strCopied = dest;
    m_convert.failure = kFailNone;
    SetScreen(kDone);
    return true;
}

bool ConversionSession::ReadErrorLog(std::vector<uint8_t>* bytes, uint64_t maxBytes) const {
    return kovra::ReadWholeFile(m_converter.errorLog, *bytes, maxBytes);
}

std::wstring ConversionSession::WriteMap() const {
    if (m_convert.screen != kDone || m_strCopied.empty()) return std::wstring();
    const std::wstring kml = kovra::FolderOf(m_strCopied) + L"speed.kml";
    std::string error;
    return exchange::WriteSourceKml(m_strCopied, kml, &error) ? kml : std::wstring();
}

void ConversionSession::ResetConvert() {
    // A job under way brings the sources back and finds itself given up on.
    if (++m_nJob == 0) ++m_nJob;
    if (!m_bBusy) m_pFilter.reset();
    const bool alwaysSelect = m_convert.alwaysSelect;
    m_convert = ConvertState();
    m_convert.alwaysSelect = alwaysSelect;
    m_strWorkbook.clear();
    ConvertChanged();
}
