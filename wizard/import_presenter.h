// What the import page of steps 1-3 shows for the session's state of its step: which controls
// are there, which take clicks, and the status text. No window: tested on its own.
#pragma once

#include "session/conversion_session.h"

struct ImportView {
    ConversionSession::ImportScreen screen = ConversionSession::kChoose;
    bool choice = false;         // step 1: download, or a file from the computer
    bool file = true;            // the file field and its Browse
    bool browseEnabled = true;   // not while the download is chosen
    bool templateButton = false; // step 3: the customized-data template
    bool progress = false;       // the download's progress and "Cancel Download"
    bool nextBack = true;        // "Next >" and "< Back"
    bool nextEnabled = true;     // on the first screen: a file exists or the download is chosen
    bool list = false;           // the records to correct
    bool correction = false;     // remove, remove all, previous and next record
    bool failed = false;         // the file could not be used: the status in red, the note
    unsigned statusId = 0;       // 0: none; IDS_BASE_IMPORTED and IDS_SAVE_FAILED name the file
};

// fileChosen: the file field names a file that exists.
ImportView PresentImport(const ConversionSession& session, int step, bool fileChosen);
