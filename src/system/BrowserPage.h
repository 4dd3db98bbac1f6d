#pragma once

#include <string>

// What the game asks of the web page it runs in: keeping the saves in the
// browser's storage and handing pictures to the player as downloads. Built
// for the desktop, each call does nothing.
struct BrowserPage {
    // True in the browser build.
    static bool inBrowser();
    // Copies the save folder to the browser's storage (IndexedDB), so a
    // reload or a closed tab keeps what was just saved.
    static void persistSaves();
    // Offers the file as a download named after it, then removes it from the
    // page's memory, where nobody could reach it.
    static void offerDownload(const std::string &path);
    // Hands the page one frame's time (GetFrameTime) and work time, for its
    // measurements and tests.
    static void noteFrame(double frameMilliseconds, double workMilliseconds);
};
