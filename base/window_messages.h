// The numbers and names that cross program boundaries: the wizard's private window messages,
// which the converter, the wizard's own controls and the end-to-end driver also use, and the
// window the converter and a second start find the wizard by. The driver reads this file, so
// every message stays on one line of the form "NAME = number,". Posted unless noted.
#pragma once

enum : unsigned {
    UM_LIST_CELL_FOCUS = 1225,   // list control -> its page (and itself); item, column or -1
    UM_CLOSE_BOX = 1227,         // main dialog -> update message box: end as OK
    UM_LIST_EDITED = 1228,       // list control -> its page after a stored edit
    UM_DOWNLOAD_PERCENT = 1233,  // download thread -> page of step 1; percent 0..100
    UM_CONVERT_RESULT = 1525,    // converter (sent) -> main dialog -> convert page; 1 ok, 0 errors
    UM_UPDATE_PROGRESS = 1536,   // update thread (sent) -> main dialog; percent, 1 when over
    UM_RADIO_CLICKED = 3027,     // ORadioButton (sent) -> parent; control ID, new state
    UM_CHECK_CLICKED = 3028,     // OCheckBox (sent) -> parent; control ID, new state
    UM_STEP_NEXT = 3029,         // page -> main dialog (next step), page -> itself (next screen)
    UM_STEP_BACK = 3030,         // page -> main dialog; wParam -1 restarts at step 1
    UM_NEW_VERSION = 3031,       // update thread -> main dialog
    UM_LATEST_VERSION = 3032,    // update thread -> main dialog
    UM_BASE_DOWNLOADED = 3033,   // download thread -> page of step 1
    UM_UNVERIFIED_VERSION = 3034,  // update thread -> main dialog: newer, but not trusted
    UM_JOB_DONE = 3035,          // session job's worker -> the runner's window; the job's number
    UM_CHECK_FAILED = 3036,      // update thread -> main dialog: no verified answer
    UM_DOWNLOAD_ENDED = 3037,    // download thread -> page of step 1: no workbook (wParam: how)
};

// The wizard's main window: a dialog-class window with this title in every language.
#define KOVRA_WIZARD_CLASS L"#32770"
#define KOVRA_WIZARD_TITLE L"Kovra Converter"
