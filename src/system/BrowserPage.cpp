#include "system/BrowserPage.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <cstdio>

// The page's side of these lives in web/page.js.
bool BrowserPage::inBrowser() { return true; }

void BrowserPage::persistSaves() { EM_ASM(if (Module.persistSaves) Module.persistSaves();); }

void BrowserPage::offerDownload(const std::string &path)
{
    EM_ASM(
        {
            if (Module.offerDownload) Module.offerDownload(UTF8ToString($0));
        },
        path.c_str());
    std::remove(path.c_str());
}

void BrowserPage::noteFrame(double frameMilliseconds, double workMilliseconds)
{
    EM_ASM(
        {
            if (Module.noteFrame) Module.noteFrame($0, $1);
        },
        frameMilliseconds, workMilliseconds);
}
#else
bool BrowserPage::inBrowser() { return false; }
void BrowserPage::persistSaves() {}
void BrowserPage::offerDownload(const std::string &) {}
void BrowserPage::noteFrame(double, double) {}
#endif
