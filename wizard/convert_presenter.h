// What the convert page of step 4 shows for the session's state: the screen, its status text
// and which controls it has. No window: tested on its own.
#pragma once

#include "session/conversion_session.h"

struct ConvertView {
    ConversionSession::Screen screen = ConversionSession::kSettings;
    ConversionSession::Failure failure = ConversionSession::kFailNone;
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
constexpr unsigned kStatusDone = 173;

ConvertView PresentConvert(const ConversionSession& session);
unsigned FailureStatusId(ConversionSession::Failure failure);
