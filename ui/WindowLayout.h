// Window-free rules of the dialogs: where the result list goes, how small the
// main window may get, and the progress button's caption. Kept apart from
// the Win32 code so that they can be tested on any system.
#pragma once

struct ListPlacement {
    int nLeft;
    int nTop;
    int nWidth;
    int nHeight;
};

// The result list leaves 5 pixels left and right, starts 50 pixels from the
// top and leaves 15 pixels at the bottom of the client area.
constexpr ListPlacement PlaceFileList(int nClientWidth, int nClientHeight) {
    return {5, 50, nClientWidth - 10, nClientHeight - 65};
}

// Minimum tracking size of the main window, in pixels.
inline constexpr int kMinTrackWidth = 600;
inline constexpr int kMinTrackHeight = 200;

// The progress button reads "Stop" while a run is active, "Ok" otherwise.
constexpr const char* ProgressButtonCaption(int bConverting) {
    constexpr const char* kCaptions[2] = {"Ok", "Stop"};
    return kCaptions[bConverting != 0 ? 1 : 0];
}
