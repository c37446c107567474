// The conversion session: imports, corrections, the duplicate choice, the converter and the
// device file's copy, as state that the wizard shows and kovracli drives.
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
#include "resources/resource.h"

namespace {

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

std::wstring FileName(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
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

unsigned ConversionSession::FailureStatusId(Failure failure) {
    switch (failure) {
        case kFailWorkbook: return IDS_WORKBOOK_FAILED;
        case kFailStart: return IDS_CONVERTER_NOT_STARTED;
        case kFailNoAnswer: return IDS_CONVERTER_NO_ANSWER;
        case kFailCopy: return IDS_COPY_FAILED;
        default: return IDS_SOURCE_ERRORS;
    }
}

ConversionSession::ConversionSession(const std::wstring& folder) : m_strFolder(folder) {
    for (int s = 0; s < 3; ++s) {
        m_sources[s].reset(new ImportedSource);
        m_sources[s]->step = s;
    }
    SetScreen(kSettings);
}

// The filter points into the sets: it goes first.
ConversionSession::~ConversionSession() { m_pFilter.reset(); }

std::wstring ConversionSession::WorkingBasePath() const { return GetWorkingBaseFilePath(m_strFolder); }

std::wstring ConversionSession::TypeListFor(int step) const {
    return step == 0 ? std::wstring() : m_sources[0]->set.m_strCameraTypes;
}

ImportedSource::Outcome ConversionSession::Import(int step, const std::wstring& path) {
    return Adopt(ImportSource(step, path, TypeListFor(step), WorkingBasePath()));
}

ImportedSource::Outcome ConversionSession::Adopt(std::unique_ptr<ImportedSource> source) {
    const int step = source->step;
    // A filter over the old sets would point at freed records.
    m_pFilter.reset();
    m_sources[step] = std::move(source);
    return m_sources[step]->outcome;
}

void ConversionSession::ResetStep(int step) {
    std::unique_ptr<ImportedSource> empty(new ImportedSource);
    empty->step = step;
    empty->path = m_sources[step]->path;
    Adopt(std::move(empty));
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
    const bool backedUp = kovra::CopyFileReplacing(s.path, MakeBackupPath(s.path));
    DropRemoved(step);
    if (!backedUp) return SaveResult::BackupFailed;
    exchange::CamCollection cams;
    cams.kind = exchange::SourceKind::Csv;
    cams.records = exchange::RecordsFromSet(s.set, nullptr);
    const std::string text = exchange::FormatCamCsv(cams);
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

// The import pages' screens

ConversionSession::ImportView ConversionSession::ImportViewOf(int step) const {
    const ImportState& s = m_import[step];
    ImportView v;
    v.screen = s.screen;
    v.choice = step == 0 && s.screen == kChoose;
    v.file = s.screen == kChoose;
    v.browseEnabled = !(step == 0 && s.download);
    v.templateButton = step == 2 && s.screen == kChoose;
    v.progress = s.downloading;
    v.nextBack = !s.downloading;
    v.nextEnabled = s.screen == kChoose || s.screen == kImported ||
                    ((s.screen == kExamined || s.screen == kCorrecting) && s.allValid);
    v.list = s.screen == kCorrecting || (s.screen == kExamined && m_sources[step]->invalid.GetItemCount() > 0);
    v.correction = s.screen == kCorrecting;
    v.failed = s.screen == kLoading && s.loadFailed;
    switch (s.screen) {
        case kChoose: v.statusId = 0; break;
        case kLoading:
            v.statusId = s.downloading ? IDS_DOWNLOADING_BASE : s.loadFailed ? IDS_INCORRECT_FORMAT : IDS_CHECKING_DATA;
            break;
        case kExamined: v.statusId = IDS_CHECKING_DATA; break;
        case kCorrecting: v.statusId = IDS_SOME_INVALID; break;
        case kImported:
            // The user's own file is only overwritten after a backup exists, and a failed
            // write is said as such: nobody should read "saved" about a file that still
            // holds the old data.
            v.statusId = s.nothingToSave ? IDS_CHECKING_DATA
                                         : s.saved == SaveResult::Saved ? IDS_BASE_IMPORTED : IDS_SAVE_FAILED;
            break;
    }
    return v;
}

ConversionSession::ImportAction ConversionSession::ImportNext(int step, bool fileExists) {
    ImportState& s = m_import[step];
    switch (s.screen) {
        case kChoose:
            if (step == 0 && s.download) return kImportDownload;
            if (!fileExists) return kImportRefused;
            s.screen = kLoading;
            s.loadFailed = false;
            return kImportFile;
        case kLoading:
            s.downloading = false;
            if (s.loadFailed) return kImportNone;
            s.screen = kExamined;
            s.allValid = m_sources[step]->invalid.GetItemCount() == 0;
            return kImportExamine;
        case kExamined:
            if (s.allValid) {
                s.screen = kImported;
                return kImportSave;
            }
            s.screen = kCorrecting;
            return kImportNone;
        case kCorrecting:
            s.screen = kImported;
            return kImportSave;
        case kImported:
            return kImportHandOver;
    }
    return kImportNone;
}

void ConversionSession::BeginDownload(int step) {
    m_import[step].screen = kLoading;
    m_import[step].downloading = true;
    m_import[step].loadFailed = false;
}

void ConversionSession::EndLoad(int step, bool failed) {
    m_import[step].downloading = false;
    m_import[step].loadFailed = failed;
}

void ConversionSession::SetSaveResult(int step, bool nothingToSave, SaveResult result) {
    m_import[step].nothingToSave = nothingToSave;
    m_import[step].saved = result;
}

void ConversionSession::ResetImport(int step) {
    const bool download = m_import[step].download;
    m_import[step] = ImportState();
    m_import[step].download = download;
}

// Step 4

void ConversionSession::SetLabels(const CDuplicateLabels& labels) {
    m_labels = labels;
    if (m_pFilter) m_pFilter->SetLabels(labels);
}

void ConversionSession::SetScreen(Screen screen) {
    m_view.screen = screen;
    ConvertView& v = m_view;
    const bool failed = v.failure != kFailNone;
    v.settings = screen == kSettings;
    v.convert = screen <= kChoosing;
    v.convertEnabled = screen == kSettings;
    // A converter that runs is waited for as long as it runs; the user may go back meanwhile.
    v.back = screen <= kChoosing || (screen == kConverting && m_bConverterStarted);
    v.backEnabled = screen != kFiltering;
    v.choice = screen == kChoosing;
    v.rowsEnabled = v.choice && !m_bAlwaysSelect;
    v.sourceEnabled = v.choice && m_bAlwaysSelect;
    v.next = screen == kChoosing || (screen == kResult && !failed);
    v.nextTextId = screen == kChoosing && m_bGroupMode && m_nCurGroup + 1 < m_nGroupCount ? IDS_NEXT_SET : IDS_NEXT;
    v.tryAgain = screen == kResult && failed;
    v.browseAgain = screen == kResult && v.failure == kFailCopy;
    v.openFolder = screen == kDone;
    v.showOnMap = screen == kDone;
    v.log = screen == kResult && v.failure == kFailConverterErrors;
    v.waitCursor = screen == kConverting;
    switch (screen) {
        case kSettings: v.statusId = IDS_CONVERT_INTRO; break;
        case kFiltering: v.statusId = IDS_FILTERING; break;
        case kChoosing: v.statusId = IDS_SAME_PLACE; break;
        case kConverting: v.statusId = IDS_CONVERTING; break;
        case kResult: v.statusId = failed ? FailureStatusId(v.failure) : IDS_CONVERSION_COMPLETE; break;
        case kDone: v.statusId = kStatusDone; break;
    }
}

void ConversionSession::Fail(Failure failure) {
    m_bConverterStarted = false;
    m_view.failure = failure;
    SetScreen(kResult);
}

ConversionSession::Action ConversionSession::StartConvert() {
    if (m_view.screen != kSettings) return kNone;
    m_view.failure = kFailNone;
    m_nCurGroup = 0;
    m_nGroupCount = 0;
    m_strWorkbook.clear();
    m_strCopied.clear();
    if (m_pDuplicateList) m_pDuplicateList->DeleteAllItems();
    m_pFilter.reset(new CDuplicateFilter(&Set(0), &Set(1), &Set(2), m_pDuplicateList));
    m_pFilter->SetLabels(m_labels);
    SetScreen(kFiltering);
    return kSearchDuplicates;
}

void ConversionSession::SearchDuplicates() {
    if (m_pFilter) m_pFilter->FindDuplicateGroups();
}

ConversionSession::Action ConversionSession::OnSearchDone() {
    if (m_view.screen != kFiltering || !m_pFilter) return kNone;
    m_pFilter->FillList();
    m_nGroupCount = m_pFilter->GetGroupCount();
    m_nCurGroup = 0;
    if (m_pFilter->GetDuplicateCount() == 0) {
        SetScreen(kConverting);
        return kBuildWorkbook;
    }
    m_bGroupMode = !m_bAlwaysSelect;
    m_pFilter->ShowDuplicateGroup(0, nullptr);
    SetScreen(kChoosing);
    return kNone;
}

bool ConversionSession::ShowGroup(CDuplicateGroupView* pView) {
    CDuplicateGroupView view;
    if (!m_pFilter || !m_pFilter->ShowDuplicateGroup(m_nCurGroup, &view)) return false;
    // The choice stays where it was unless that row has no camera now.
    if (m_nChosenRow >= view.m_nRowCount) m_nChosenRow = 0;
    if (pView) *pView = view;
    return true;
}

void ConversionSession::SetAlwaysSelect(bool on) {
    m_bAlwaysSelect = on;
    if (m_view.screen != kChoosing) return;
    m_bGroupMode = !on;
    SetScreen(kChoosing);
}

ConversionSession::Action ConversionSession::NextSet(int alwaysSource) {
    if (m_view.screen != kChoosing || !m_pFilter) return kNone;
    if (m_bAlwaysSelect) {
        m_pFilter->KeepSourceForAll(alwaysSource, m_nCurGroup);
        m_nCurGroup = std::max(m_nGroupCount - 1, 0);
        m_bGroupMode = false;
    } else if (m_bGroupMode) {
        if (m_nCurGroup < m_nGroupCount) m_pFilter->KeepChosenCamera(m_nChosenRow);
        ++m_nCurGroup;
        // A group with nothing left to choose from is passed over.
        while (m_nCurGroup < m_nGroupCount && !m_pFilter->ShowDuplicateGroup(m_nCurGroup, nullptr)) ++m_nCurGroup;
        if (m_nCurGroup >= m_nGroupCount) m_bGroupMode = false;
    }
    if (m_bGroupMode) {
        SetScreen(kChoosing);
        return kNone;
    }
    SetScreen(kConverting);
    return kBuildWorkbook;
}

std::wstring ConversionSession::BuildWorkbook() const {
    // The folder is made at start; it may have gone since.
    kovra::CreateFolder(kovra::JoinPath(m_strFolder, L"\\History"));
    return BuildConversionWorkbook(m_strFolder, &m_sources[0]->set, &m_sources[1]->set, &m_sources[2]->set);
}

ConversionSession::Action ConversionSession::OnWorkbookBuilt(const std::wstring& workbook) {
    if (m_view.screen != kConverting || m_bConverterStarted) return kNone;
    m_strWorkbook = workbook;
    if (workbook.empty()) {
        Fail(kFailWorkbook);
        return kNone;
    }
    return kStartConverter;
}

void ConversionSession::StartConverter(const ConverterFiles& files, IConverterLauncher* pLauncher) {
    if (m_view.screen != kConverting || m_strWorkbook.empty()) return;
    m_converter = files;
    if (!pLauncher || !pLauncher->Start(files.exe, m_strWorkbook)) {
        Fail(kFailStart);
        return;
    }
    m_bConverterStarted = true;
    SetScreen(kConverting);
}

ConversionSession::Action ConversionSession::OnConverterAnswer(bool success) {
    // Only the converter this session started and waits for may answer.
    if (!IsWaitingForConverter()) return kNone;
    m_bConverterStarted = false;
    if (!success) {
        Fail(kFailConverterErrors);
        return kNone;
    }
    m_view.failure = kFailNone;
    SetScreen(kResult);
    return kCopyResult;
}

void ConversionSession::OnConverterEnded() {
    if (IsWaitingForConverter()) Fail(kFailNoAnswer);
}

bool ConversionSession::CopyResult(const std::wstring& destFolder) {
    if (m_view.screen != kResult || (m_view.failure != kFailNone && m_view.failure != kFailCopy)) return false;
    const std::wstring name = FileName(m_converter.rawFile);
    const std::wstring dest = destFolder.empty() ? name : kovra::JoinPath(destFolder, name);
    // The destination may be the converter's own folder: then the file is already there.
    const bool copied = SamePath(dest, m_converter.rawFile) ? kovra::FileExists(dest)
                                                            : kovra::CopyFileReplacing(m_converter.rawFile, dest);
    if (!copied) {
        Fail(kFailCopy);
        return false;
    }
    m_strCopied = dest;
    m_view.failure = kFailNone;
    SetScreen(kDone);
    return true;
}

std::wstring ConversionSession::WriteMap() const {
    if (m_view.screen != kDone || m_strCopied.empty()) return std::wstring();
    const size_t cut = m_strCopied.find_last_of(L"\\/");
    const std::wstring kml = cut == std::wstring::npos ? std::wstring(L"speed.kml")
                                                      : m_strCopied.substr(0, cut + 1) + L"speed.kml";
    std::string error;
    return exchange::WriteSourceKml(m_strCopied, kml, &error) ? kml : std::wstring();
}

void ConversionSession::ResetConvert() {
    m_pFilter.reset();
    m_nCurGroup = 0;
    m_nGroupCount = 0;
    m_bConverterStarted = false;
    m_strWorkbook.clear();
    m_view.failure = kFailNone;
    SetScreen(kSettings);
}
