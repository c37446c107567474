#include "wizard/convert_presenter.h"

#include "resources/resource.h"

unsigned FailureStatusId(ConversionSession::Failure failure) {
    switch (failure) {
        case ConversionSession::kFailWorkbook: return IDS_WORKBOOK_FAILED;
        case ConversionSession::kFailStart: return IDS_CONVERTER_NOT_STARTED;
        case ConversionSession::kFailNoAnswer: return IDS_CONVERTER_NO_ANSWER;
        case ConversionSession::kFailCopy: return IDS_COPY_FAILED;
        default: return IDS_SOURCE_ERRORS;
    }
}

ConvertView PresentConvert(const ConversionSession& session) {
    using S = ConversionSession;
    const S::ConvertState& c = session.ConvertStateOf();
    const S::Screen screen = c.screen;
    const bool failed = c.failure != S::kFailNone;
    ConvertView v;
    v.screen = screen;
    v.failure = c.failure;
    v.settings = screen == S::kSettings;
    // The choice has "Next >" / "Next Set >" where the settings have "Convert".
    v.convert = screen <= S::kFiltering;
    v.convertEnabled = screen == S::kSettings;
    // A converter that runs is waited for until it answers or ends: going back meanwhile
    // would leave its answer to come in during a later run.
    v.back = screen <= S::kChoosing;
    v.backEnabled = screen != S::kFiltering && screen != S::kConverting;
    v.choice = screen == S::kChoosing;
    v.rowsEnabled = v.choice && !c.alwaysSelect;
    v.sourceEnabled = v.choice && c.alwaysSelect;
    v.next = screen == S::kChoosing || (screen == S::kResult && !failed);
    v.nextTextId = screen == S::kChoosing && c.groupMode && c.group + 1 < c.groupCount ? IDS_NEXT_SET : IDS_NEXT;
    v.tryAgain = screen == S::kResult && failed;
    v.browseAgain = screen == S::kResult && c.failure == S::kFailCopy;
    v.openFolder = screen == S::kDone;
    v.showOnMap = screen == S::kDone;
    v.log = screen == S::kResult && c.failure == S::kFailConverterErrors;
    v.waitCursor = screen == S::kConverting;
    switch (screen) {
        case S::kSettings: v.statusId = IDS_CONVERT_INTRO; break;
        case S::kFiltering: v.statusId = IDS_FILTERING; break;
        case S::kChoosing: v.statusId = IDS_SAME_PLACE; break;
        case S::kConverting: v.statusId = IDS_CONVERTING; break;
        case S::kResult: v.statusId = failed ? FailureStatusId(c.failure) : IDS_CONVERSION_COMPLETE; break;
        case S::kDone: v.statusId = kStatusDone; break;
    }
    return v;
}
