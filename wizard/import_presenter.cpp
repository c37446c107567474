#include "wizard/import_presenter.h"

#include "resources/resource.h"

ImportView PresentImport(const ConversionSession& session, int step, bool fileChosen) {
    using S = ConversionSession;
    const S::ImportState& s = session.ImportStateOf(step);
    ImportView v;
    v.screen = s.screen;
    v.choice = step == kStepBase && s.screen == S::kChoose;
    v.file = s.screen == S::kChoose;
    v.browseEnabled = !(step == kStepBase && s.download);
    v.templateButton = step == kStepCustom && s.screen == S::kChoose;
    v.progress = s.downloading;
    v.nextBack = !s.downloading;
    switch (s.screen) {
        case S::kChoose: v.nextEnabled = (step == kStepBase && s.download) || fileChosen; break;
        case S::kExamined:
        case S::kCorrecting: v.nextEnabled = s.allValid; break;
        case S::kImported: v.nextEnabled = true; break;
        case S::kLoading: v.nextEnabled = false; break;
    }
    v.list = s.screen == S::kCorrecting ||
             (s.screen == S::kExamined && session.Source(step).invalid.GetItemCount() > 0);
    v.correction = s.screen == S::kCorrecting;
    v.failed = s.screen == S::kLoading && s.loadFailed;
    switch (s.screen) {
        case S::kChoose: v.statusId = 0; break;
        case S::kLoading:
            v.statusId = s.downloading ? IDS_DOWNLOADING_BASE : s.loadFailed ? IDS_INCORRECT_FORMAT : IDS_CHECKING_DATA;
            break;
        case S::kExamined: v.statusId = IDS_CHECKING_DATA; break;
        case S::kCorrecting: v.statusId = IDS_SOME_INVALID; break;
        case S::kImported:
            // The user's own file is only overwritten after a backup exists, and a failed
            // write is said as such: nobody should read "saved" about a file that still
            // holds the old data.
            v.statusId = s.nothingToSave ? IDS_CHECKING_DATA
                                         : s.saved == SaveResult::Saved ? IDS_BASE_IMPORTED : IDS_SAVE_FAILED;
            break;
    }
    return v;
}
