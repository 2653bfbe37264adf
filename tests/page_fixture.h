// What the page tests share: the setup state prepared the way WinMain
// leaves it before the pages run, and a page run under the UI driver.
#ifndef SETUP_PAGE_FIXTURE_H
#define SETUP_PAGE_FIXTURE_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "setup_state.h"
#include "text.h"
#include "resource.h"
#include "ui_test.h"
#include "ui_driver.h"

struct PageKind {
    const char *name;
    const char *className;
    WNDPROC pageProc;
    WORD templateId;
};

extern const PageKind welcomePage, mouseTypePage, destinationPage, finishPage;

// The product "Velto", its caption, the screen size, no background window.
void PrepareSetupState(void);

// Runs the page through RunPage on this thread while the script drives
// it from another; fails the test when the page had to be forced shut.
PageResult DrivePage(const PageKind &page, const std::function<void(HWND)> &script);

// The not-completed warning, checked and answered.
void ExpectNotCompletedWarning(HWND page);

#endif
