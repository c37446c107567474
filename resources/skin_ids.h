// The skin's art IDs and where its controls stand. Written by tools/make_art.py from
// its tables: change them there and run it again.
#pragma once

#include <windows.h>

// The first image of each set.
enum : WORD {
    kArtDialogBackground = 1000,
    kArtMinimizeButton = 1001,
    kArtCloseButton = 1004,
    kArtGhostButton = 1007,
    kArtSecondaryButton = 1011,
    kArtPrimaryButton = 1015,
    kArtRadio = 1020,
    kArtBrowseButton = 1027,
    kArtProgressFill = 1031,
    kArtProgressTrack = 1032,
    kArtImportCaptions = 1033,
    kArtWideButton = 1034,
    kArtMenuHeader = 1038,
    kArtAboutPicture = 1042,
    kArtMessageBox = 1043,
    kArtMessageBoxProgress = 1044,
    kArtMessageBoxButton = 1045,
    kArtConvertCaptions = 1049,
    kArtCheckBox = 1150,
    kArtWidePrimaryButton = 1178,
    kArtTitleIcon = 1182,
    kArtStepStrip = 1500,
    kArtPageBackground = 1504,
};

// Main window pixels for the window's own controls, page pixels for the pages'.
constexpr RECT kLayoutMinimizeButton{807, 4, 829, 26};
constexpr RECT kLayoutCloseButton{832, 4, 854, 26};
constexpr RECT kLayoutStartButton{732, 535, 834, 577};
constexpr RECT kLayoutDownloadChoice{120, 110, 600, 158};
constexpr RECT kLayoutPreviousChoice{120, 174, 600, 198};
constexpr RECT kLayoutImportPath{120, 214, 696, 252};
constexpr RECT kLayoutImportBrowse{706, 214, 836, 251};
constexpr RECT kLayoutLaterImportPath{120, 274, 696, 312};
constexpr RECT kLayoutLaterImportBrowse{706, 274, 836, 311};
constexpr RECT kLayoutImportNext{732, 384, 835, 426};
constexpr RECT kLayoutImportBack{629, 384, 732, 426};
constexpr RECT kLayoutLaterImportNext{622, 384, 725, 426};
constexpr RECT kLayoutLaterImportBack{519, 384, 622, 426};
constexpr RECT kLayoutSkip{733, 384, 836, 426};
constexpr RECT kLayoutTemplate{406, 384, 509, 426};
constexpr RECT kLayoutProgress{118, 190, 731, 220};
constexpr RECT kLayoutCancelDownload{629, 384, 835, 426};
constexpr RECT kLayoutCameraList{67, 106, 798, 223};
constexpr RECT kLayoutRemoveCamera{78, 295, 284, 337};
constexpr RECT kLayoutRemoveAll{294, 295, 500, 337};
constexpr RECT kLayoutCorrectPrev{567, 295, 670, 337};
constexpr RECT kLayoutCorrectNext{670, 295, 773, 337};
constexpr RECT kLayoutModelList{288, 203, 522, 278};
constexpr RECT kLayoutDestPath{288, 250, 586, 285};
constexpr RECT kLayoutDestBrowse{595, 249, 725, 286};
constexpr RECT kLayoutConvert{732, 384, 835, 426};
constexpr RECT kLayoutConvertBack{629, 384, 732, 426};
constexpr RECT kLayoutNextSet{732, 384, 835, 426};
constexpr RECT kLayoutAlwaysSelect{66, 270, 254, 306};
constexpr RECT kLayoutSourceList{258, 270, 492, 306};
constexpr RECT kLayoutCameraRow1{69, 140, 781, 176};
constexpr RECT kLayoutCameraRow2{69, 176, 781, 212};
constexpr RECT kLayoutCameraRow3{69, 212, 781, 248};
constexpr RECT kLayoutLog{118, 125, 740, 293};
constexpr RECT kLayoutTryAgain{516, 384, 722, 426};
constexpr RECT kLayoutOpenFolder{516, 384, 722, 426};
constexpr RECT kLayoutShowOnMap{306, 384, 512, 426};
