// The background window, read back from the screen after it has painted,
// and the transparent bitmap drawing, recorded into an enhanced metafile.
// The Background cases run on a 1024 x 768 and on a 640 x 480 screen.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "setup_state.h"
#include "text.h"
#include "resource.h"
#include "package_picture.h"
#include "ui.h"
#include "ui_test.h"
#include "page_fixture.h"
#include "test_support.h"

namespace {

// Pass numbers of the logo's dissolve, row = y mod 8, column = x mod 8.
const int kDissolveOrder[8][8] = {
    { 44, 16, 24, 36, 46, 18, 26, 38 },
    { 48,  0,  8, 56, 50,  2, 10, 58 },
    { 28, 32, 40, 20, 30, 34, 42, 22 },
    { 12, 60, 52,  4, 14, 62, 54,  6 },
    { 47, 19, 27, 39, 45, 17, 25, 37 },
    { 51,  3, 11, 59, 49,  1,  9, 57 },
    { 31, 35, 43, 23, 29, 33, 41, 21 },
    { 15, 63, 55,  7, 13, 61, 53,  5 },
};

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

std::string Hex(COLORREF colour)
{
    char text[16];
    snprintf(text, sizeof(text), "%06lX", (unsigned long)colour);
    return text;
}

// The gradient's band arithmetic, worked out here on its own: the float
// nearest to 1/255 by its bit pattern, edges formed in double precision.
float BandHeight(int screenHeight)
{
    unsigned int pattern = 0x3B808081u;
    float fraction;
    memcpy(&fraction, &pattern, sizeof(fraction));
    volatile float height = (float)screenHeight * fraction;
    return height;
}

int BandEdge(int band, float height)
{
    return (short)(int)((double)band * (double)height);
}

// The band that covers client row y.
int BandOfRow(int y, int screenHeight)
{
    float height = BandHeight(screenHeight);
    for (int i = 0; i < 255; i++) {
        if (y >= BandEdge(i, height) && y < BandEdge(i + 1, height))
            return i;
    }
    return -1;
}

COLORREF BandColour(int y, int screenHeight)
{
    int band = BandOfRow(y, screenHeight);
    return band < 0 ? (COLORREF)-1 : RGB(0, 0, 255 - band);
}

// Handles the thread's messages for a while; Wine also puts painted
// window contents on the X screen while the thread waits.
void Settle(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    MSG message;
    for (;;) {
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD now = GetTickCount();
        if ((int)(end - now) <= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

// The whole screen, copied into a 32-bit top-down DIB.
struct ScreenShot {
    int width = 0;
    int height = 0;
    std::vector<DWORD> bits;

    COLORREF Screen(int x, int y) const
    {
        DWORD v = bits[(size_t)y * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // The background window's client area starts one pixel in.
    COLORREF Client(int x, int y) const { return Screen(x + 1, y + 1); }
    int ClientWidth() const { return width - 2; }
    int ClientHeight() const { return height - 2; }
};

ScreenShot CaptureScreen()
{
    ScreenShot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    shot.bits.assign((size_t)shot.width * shot.height, 0);

    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(NULL);
    void *bits = NULL;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(shot.bits.data(), bits, shot.bits.size() * sizeof(DWORD));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(dib);
    ReleaseDC(NULL, screen);
    return shot;
}

// The logo bitmap's own pixels, as COLORREFs, read from the resource.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

Picture PictureOf(HBITMAP bitmap)
{
    Picture picture;
    if (bitmap == NULL)
        return picture;
    BITMAP info;
    GetObjectA(bitmap, sizeof(info), &info);
    picture.width = info.bmWidth;
    picture.height = info.bmHeight;

    BITMAPINFO header;
    memset(&header, 0, sizeof(header));
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = picture.width;
    header.bmiHeader.biHeight = -picture.height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bits((size_t)picture.width * picture.height);
    HDC screen = GetDC(NULL);
    GetDIBits(screen, bitmap, 0, picture.height, bits.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    for (DWORD v : bits)
        picture.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return picture;
}

Picture LoadPicture(WORD id)
{
    // as a DIB section, so the colours are the resource's own at any depth
    HBITMAP bitmap = (HBITMAP)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION);
    Picture picture = PictureOf(bitmap);
    if (bitmap != NULL)
        DeleteObject(bitmap);
    return picture;
}

// Counts the background window's paints and notes dissolvePending as
// each one starts.
WNDPROC g_originalProc;
int g_paintCount;
std::vector<int> g_pendingAtPaint;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        g_paintCount++;
        g_pendingAtPaint.push_back(g_setup.dissolvePending);
    }
    return CallWindowProcA(g_originalProc, window, message, wParam, lParam);
}

class Background : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_setup;
        g_setup.screenWidth = (short)GetSystemMetrics(SM_CXSCREEN);
        g_setup.screenHeight = (short)GetSystemMetrics(SM_CYSCREEN);
        g_setup.noLogo = 0;
        g_setup.dissolvePending = 1;
        g_setup.bannerFont = NULL;
        g_setup.mainWindow = NULL;
        TEXT_COPY(g_setup.bannerTitle, "Velto Wheel Mouse");
        width_ = g_setup.screenWidth;
        height_ = g_setup.screenHeight;
    }

    void TearDown() override
    {
        if (g_setup.mainWindow != NULL) {
            HFONT font = g_setup.bannerFont;
            DestroyWindow(g_setup.mainWindow);
            EXPECT_TRUE(g_setup.bannerFont == NULL) << "font kept after WM_DESTROY";
            if (font != NULL) {
                EXPECT_EQ(GetObjectType(font), 0u) << "font not deleted by WM_DESTROY";
            }
        }
        Settle(50);
        SetupState restore = saved_;
        restore.bannerFont = NULL;
        restore.mainWindow = NULL;
        g_setup = restore;
    }

    // Creates the window (its first paint runs inside) and lets the
    // result reach the screen.
    ScreenShot Open()
    {
        EXPECT_EQ(CreateMainWindow(), 1);
        EXPECT_TRUE(g_setup.mainWindow != NULL);
        Settle(300);
        return CaptureScreen();
    }

    void CountPaints()
    {
        g_paintCount = 0;
        g_pendingAtPaint.clear();
        g_originalProc = (WNDPROC)SetWindowLongPtrA(g_setup.mainWindow, GWLP_WNDPROC,
                                                    (LONG_PTR)CountingProc);
    }

    // Every client pixel of the rectangle shows its gradient band.
    void ExpectGradient(const ScreenShot &shot, int left, int top, int right, int bottom)
    {
        int wrong = 0;
        for (int y = top; y < bottom; y++) {
            for (int x = left; x < right; x++) {
                COLORREF want = BandColour(y, height_);
                if (shot.Client(x, y) != want && wrong++ < 5) {
                    ADD_FAILURE() << "client (" << x << ", " << y << ") is "
                                  << Hex(shot.Client(x, y)) << ", band colour " << Hex(want);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels off the gradient in (" << left << ", " << top
                            << ")-(" << right << ", " << bottom << ")";
    }

    // The logo drawn with its top-left at client (left, top): each pixel
    // the bitmap's own, the key pixels showing the gradient.
    void ExpectLogo(const ScreenShot &shot, int left, int top, const Picture &logo = LoadPicture(IDB_LOGO))
    {
        ASSERT_EQ(logo.width, 490);
        ASSERT_EQ(logo.height, 43);
        int wrong = 0, keys = 0;
        for (int y = 0; y < logo.height && top + y < shot.ClientHeight(); y++) {
            for (int x = 0; x < logo.width && left + x < shot.ClientWidth(); x++) {
                COLORREF want = logo.At(x, y);
                if (want == kKey) {
                    keys++;
                    want = BandColour(top + y, height_);
                }
                COLORREF seen = shot.Client(left + x, top + y);
                if (seen != want && wrong++ < 5) {
                    ADD_FAILURE() << "logo pixel (" << x << ", " << y << ") at client ("
                                  << left + x << ", " << top + y << ") is " << Hex(seen)
                                  << ", expected " << Hex(want);
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(keys, 0) << "the logo has no transparent pixels to test";
    }

    struct Box { int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0; };

    // The bounding box of the pixels of one colour in a client rectangle.
    Box Find(const ScreenShot &shot, COLORREF colour, int left, int top, int right, int bottom)
    {
        Box box;
        for (int y = top; y < bottom; y++) {
            for (int x = left; x < right; x++) {
                if (shot.Client(x, y) != colour)
                    continue;
                box.count++;
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
        return box;
    }

    // Pixels where the black shadow and the white title moved by (dx, dy)
    // disagree: black where the moved title is not, or the bare gradient
    // where the moved title is (the title's smoothed edges over the
    // shadow give greys there).
    int ShadowMismatches(const ScreenShot &shot, int dx, int dy)
    {
        int wrong = 0;
        for (int y = 0; y < 100; y++) {
            for (int x = 0; x < 600; x++) {
                bool isBlack = shot.Client(x, y) == kBlack;
                bool moved = x >= dx && y >= dy && shot.Client(x - dx, y - dy) == kWhite;
                if (isBlack && !moved)
                    wrong++;
                if (moved && x < 500 && y < 60 && shot.Client(x, y) == BandColour(y, height_))
                    wrong++;
            }
        }
        return wrong;
    }

    SetupState saved_;
    int width_ = 0;
    int height_ = 0;
};

TEST_F(Background, WindowCoversTheScreenTopmost)
{
    Open();
    HWND window = g_setup.mainWindow;
    ASSERT_TRUE(window != NULL);
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    EXPECT_STREQ(name, "SetupMain");
    GetWindowTextA(window, name, sizeof(name));
    EXPECT_STREQ(name, "Setup");
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE) & ~(DWORD)WS_CLIPSIBLINGS;
    EXPECT_EQ(style & 0xFFFF0000u, 0x90800000u) << std::hex << style;
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, width_);
    EXPECT_EQ(rect.bottom, height_);
    POINT origin = { 0, 0 };
    ClientToScreen(window, &origin);
    EXPECT_EQ(origin.x, 1) << "one-pixel border";
    EXPECT_EQ(origin.y, 1) << "one-pixel border";

    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(NULL), "SetupMain", &wc));
    EXPECT_EQ(wc.style, (UINT)(CS_HREDRAW | CS_VREDRAW));
    EXPECT_TRUE(wc.hbrBackground == NULL);
    EXPECT_TRUE(wc.lpfnWndProc == MainWindowProc);
}

TEST_F(Background, BannerFontAsCreated)
{
    Open();
    ASSERT_TRUE(g_setup.bannerFont != NULL);
    LOGFONTA font;
    ASSERT_EQ(GetObjectA(g_setup.bannerFont, sizeof(font), &font), (int)sizeof(font));
    EXPECT_EQ(font.lfHeight, -36);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfEscapement, 0);
    EXPECT_EQ(font.lfOrientation, 0);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_EQ(font.lfUnderline, 0);
    EXPECT_EQ(font.lfStrikeOut, 0);
    EXPECT_EQ(font.lfCharSet, 0);
    EXPECT_EQ(font.lfOutPrecision, 0);
    EXPECT_EQ(font.lfClipPrecision, 0);
    EXPECT_EQ(font.lfQuality, 0);
    EXPECT_EQ(font.lfPitchAndFamily, 34);
    EXPECT_STREQ(font.lfFaceName, "Times New Roman");
}

TEST_F(Background, GradientBandsDownToTheBottomEdge)
{
    g_setup.bannerTitle[0] = '\0';
    g_setup.noLogo = 1;
    ScreenShot shot = Open();
    // Every row of two columns right of the title and logo, and every
    // column of a few rows between them.
    ExpectGradient(shot, shot.ClientWidth() - 10, 0, shot.ClientWidth() - 8, shot.ClientHeight());
    ExpectGradient(shot, 0, 100, shot.ClientWidth(), 102);
    ExpectGradient(shot, 0, shot.ClientHeight() - 1, shot.ClientWidth(), shot.ClientHeight());

    struct Row { int row; COLORREF colour; } rows[] = {
        /* 0 */ { 0, RGB(0, 0, 255) },
        /* 1 */ { height_ / 2, BandColour(height_ / 2, height_) },
        /* 2 */ { shot.ClientHeight() - 1, BandColour(shot.ClientHeight() - 1, height_) },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        EXPECT_EQ(Hex(shot.Client(shot.ClientWidth() / 2, rows[i].row)), Hex(rows[i].colour))
            << "row " << i << ": client row " << rows[i].row;
    }
    // The last band ends at the screen height, so the bottom client row
    // belongs to one of the last two bands, never to none.
    int last = BandOfRow(shot.ClientHeight() - 1, height_);
    EXPECT_GE(last, 253) << "bottom client row " << shot.ClientHeight() - 1;
    EXPECT_EQ(BandEdge(255, BandHeight(height_)), height_);
}

TEST_F(Background, BandRowsOfTheKnownScreens)
{
    // Rows worked out by hand: h = 1.8823531 on 480 lines (edges 0, 1,
    // 3, 5, ..., 476, 478, 480) and 3.011765 on 768 lines (edges 0, 3,
    // 6, ..., 761, 764, 768).
    struct Row { int height; int row; int band; } rows[] = {
        /*  0 */ { 480, 0, 0 },
        /*  1 */ { 480, 1, 1 },
        /*  2 */ { 480, 2, 1 },
        /*  3 */ { 480, 3, 2 },
        /*  4 */ { 480, 476, 253 },
        /*  5 */ { 480, 477, 253 },
        /*  6 */ { 480, 478, 254 },
        /*  7 */ { 480, 479, 254 },
        /*  8 */ { 768, 2, 0 },
        /*  9 */ { 768, 3, 1 },
        /* 10 */ { 768, 6, 2 },
        /* 11 */ { 768, 763, 253 },
        /* 12 */ { 768, 764, 254 },
        /* 13 */ { 768, 765, 254 },
        /* 14 */ { 768, 767, 254 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++)
        EXPECT_EQ(BandOfRow(rows[i].row, rows[i].height), rows[i].band) << "row " << i;

    // And on the screen at hand, one band colour per row.
    ScreenShot shot = Open();
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        if (rows[i].height != height_ || rows[i].row >= shot.ClientHeight())
            continue;
        EXPECT_EQ(Hex(shot.Client(shot.ClientWidth() - 20, rows[i].row)),
                  Hex(RGB(0, 0, 255 - rows[i].band))) << "row " << i;
    }
}

TEST_F(Background, TitleAndItsShadow)
{
    ScreenShot shot = Open();
    Box white = Find(shot, kWhite, 0, 0, shot.ClientWidth(), 100);
    Box black = Find(shot, kBlack, 0, 0, shot.ClientWidth(), 100);
    ASSERT_GT(white.count, 50) << "no title drawn";
    ASSERT_GT(black.count, 50) << "no shadow drawn";

    EXPECT_GE(white.left, 25);
    EXPECT_LE(white.left, 30) << "title starts at its rectangle's left";
    EXPECT_GE(white.top, 15);
    EXPECT_LE(white.right, 500);
    EXPECT_LE(white.bottom, 60);
    EXPECT_GE(black.left, 30);
    EXPECT_GE(black.top, 20);
    EXPECT_LE(black.right, 500);
    EXPECT_LE(black.bottom, 60);

    // Vertically centred in (15, 60): the ink's middle lies near 37.
    int middle = (white.top + white.bottom) / 2;
    EXPECT_NEAR(middle, 37, 8) << "ink rows " << white.top << " to " << white.bottom;

    // The shadow is the title moved 5 right; both are centred in
    // rectangles that share their bottom edge, so it lies 2 or 3 rows
    // lower (half of the 5 by which its rectangle's top is lower).
    int bestDx = -1, bestDy = -1, bestWrong = 1 << 30;
    for (int dy = 0; dy <= 8; dy++) {
        for (int dx = 0; dx <= 8; dx++) {
            int wrong = ShadowMismatches(shot, dx, dy);
            if (wrong < bestWrong) {
                bestWrong = wrong;
                bestDx = dx;
                bestDy = dy;
            }
        }
    }
    EXPECT_EQ(bestDx, 5);
    EXPECT_TRUE(bestDy == 2 || bestDy == 3) << "shadow " << bestDy << " rows lower";
    EXPECT_EQ(bestWrong, 0) << "shadow pixels off the moved title at (" << bestDx << ", "
                            << bestDy << ")";
}

TEST_F(Background, EmptyTitleDrawsNoText)
{
    g_setup.bannerTitle[0] = '\0';
    ScreenShot shot = Open();
    ExpectGradient(shot, 0, 0, 600, 100);
}

TEST_F(Background, LongTitleIsCutAtX500)
{
    TEXT_COPY(g_setup.bannerTitle, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ScreenShot shot = Open();
    Box white = Find(shot, kWhite, 0, 0, shot.ClientWidth(), 100);
    Box black = Find(shot, kBlack, 0, 0, shot.ClientWidth(), 100);
    EXPECT_GE(white.right, 490) << "the text should run up to the cut";
    EXPECT_LE(white.right, 500);
    EXPECT_GE(black.right, 490);
    EXPECT_LE(black.right, 500);
    ExpectGradient(shot, 500, 0, shot.ClientWidth(), 100);
}

TEST_F(Background, LogoAtTheBottomLeft)
{
    // Client position of the logo's top-left pixel per screen.
    struct Row { int width, height, left, top; } rows[] = {
        /* 0 */ { 640, 480, 20, 420 },
        /* 1 */ { 1024, 768, 20, 708 },
    };
    const Row *row = NULL;
    for (auto &r : rows) {
        if (r.width == width_ && r.height == height_)
            row = &r;
    }
    ASSERT_TRUE(row != NULL) << "no expectation for a " << width_ << " x " << height_ << " screen";

    ScreenShot shot = Open();
    EXPECT_EQ(g_setup.dissolvePending, 0) << "the first paint clears it";
    ExpectLogo(shot, row->left, row->top);
    // Left of, above and right of the logo: the gradient only.
    ExpectGradient(shot, 0, row->top - 10, row->left, row->top + 43);
    ExpectGradient(shot, 0, row->top - 10, 600, row->top);
    ExpectGradient(shot, row->left + 490, row->top, 610, row->top + 43);
}

TEST_F(Background, NoLogoDrawsNoLogo)
{
    g_setup.noLogo = 1;
    ScreenShot shot = Open();
    EXPECT_EQ(g_setup.dissolvePending, 0) << "the first paint clears it";
    ExpectGradient(shot, 0, height_ - 70, 620, shot.ClientHeight());

    // Nor on a later paint.
    RedrawWindow(g_setup.mainWindow, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Settle(200);
    ExpectGradient(CaptureScreen(), 0, height_ - 70, 620, shot.ClientHeight());
}

TEST_F(Background, UncoveredPartIsRedrawnTheSame)
{
    ScreenShot before = Open();
    CountPaints();

    // A window over part of the title and the logo, then gone again. A
    // child, so that its going invalidates the background window
    // whatever the display keeps of covered windows.
    HWND cover = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT,
                                 100, 30, 300, height_ - 60, g_setup.mainWindow, NULL,
                                 GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(cover != NULL);
    Settle(200);
    ScreenShot covered = CaptureScreen();
    EXPECT_NE(Hex(covered.Screen(200, height_ - 40)), Hex(before.Screen(200, height_ - 40)))
        << "the cover should hide the logo";
    DestroyWindow(cover);
    Settle(300);
    ScreenShot after = CaptureScreen();

    EXPECT_GE(g_paintCount, 1) << "the uncovered part was not painted";
    for (size_t i = 0; i < g_pendingAtPaint.size(); i++)
        EXPECT_EQ(g_pendingAtPaint[i], 0) << "paint " << i << " would dissolve";
    int differ = 0;
    for (int y = 0; y < before.height; y++) {
        for (int x = 0; x < before.width; x++) {
            if (before.Screen(x, y) != after.Screen(x, y) && differ++ < 5) {
                ADD_FAILURE() << "screen (" << x << ", " << y << ") was " << Hex(before.Screen(x, y))
                              << ", now " << Hex(after.Screen(x, y));
            }
        }
    }
    EXPECT_EQ(differ, 0);
}

TEST_F(Background, PaintMissingTheLogoStillEndsTheDissolve)
{
    Open();
    CountPaints();
    // A paint that does not reach the logo clears a pending dissolve ...
    g_setup.dissolvePending = 1;
    RECT top = { 0, 0, width_, 100 };
    RedrawWindow(g_setup.mainWindow, &top, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(g_paintCount, 1);
    EXPECT_EQ(g_setup.dissolvePending, 0);
    // ... so the next one that does draws the logo at once.
    RECT bottom = { 0, height_ - 80, width_, height_ };
    RedrawWindow(g_setup.mainWindow, &bottom, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_EQ(g_paintCount, 2);
    EXPECT_EQ(g_pendingAtPaint[1], 0);
    Settle(200);
    ExpectLogo(CaptureScreen(), 20, height_ - 60);
}

// One pixel set while recording into an enhanced metafile.
struct SetPixelRecord { int x, y; COLORREF colour; };

int CALLBACK CollectSetPixel(HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM data)
{
    if (record->iType == EMR_SETPIXELV) {
        const EMRSETPIXELV *pixel = (const EMRSETPIXELV *)record;
        ((std::vector<SetPixelRecord> *)data)->push_back(
            { pixel->ptlPixel.x, pixel->ptlPixel.y, pixel->crColor });
    }
    return 1;
}

// Draws the bitmap into a metafile and returns the pixels set, in order.
std::vector<SetPixelRecord> RecordDrawing(WORD bitmapId, const RECT &origin, int dissolve)
{
    std::vector<SetPixelRecord> pixels;
    HDC recorder = CreateEnhMetaFileA(NULL, NULL, NULL, NULL);
    EXPECT_TRUE(recorder != NULL);
    DrawTransparentBitmap(recorder, bitmapId, &origin, dissolve);
    HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    EnumEnhMetaFile(NULL, metafile, CollectSetPixel, &pixels, NULL);
    DeleteEnhMetaFile(metafile);
    return pixels;
}

class TransparentBitmap : public testing::Test {
protected:
    void SetUp() override
    {
        logo_ = LoadPicture(IDB_LOGO);
        ASSERT_EQ(logo_.width, 490);
        ASSERT_EQ(logo_.height, 43);
        for (COLORREF colour : logo_.pixels)
            opaque_ += colour != kKey;
        ASSERT_GT(opaque_, 0);
        ASSERT_LT(opaque_, (int)logo_.pixels.size()) << "the logo needs transparent pixels";
    }

    // Every opaque pixel exactly once, at the origin's offset, in its own
    // colour; no key pixel.
    void ExpectEveryOpaquePixelOnce(const std::vector<SetPixelRecord> &pixels, const RECT &origin)
    {
        std::set<std::pair<int, int>> seen;
        int wrong = 0;
        for (const SetPixelRecord &p : pixels) {
            int x = p.x - origin.left, y = p.y - origin.top;
            if (x < 0 || y < 0 || x >= logo_.width || y >= logo_.height) {
                if (wrong++ < 5)
                    ADD_FAILURE() << "pixel outside the bitmap at (" << p.x << ", " << p.y << ")";
                continue;
            }
            if (!seen.insert(std::make_pair(x, y)).second && wrong++ < 5)
                ADD_FAILURE() << "bitmap pixel (" << x << ", " << y << ") drawn twice";
            if (p.colour != logo_.At(x, y) && wrong++ < 5)
                ADD_FAILURE() << "bitmap pixel (" << x << ", " << y << ") drawn as "
                              << Hex(p.colour) << ", is " << Hex(logo_.At(x, y));
            if (p.colour == kKey && wrong++ < 5)
                ADD_FAILURE() << "key colour drawn at (" << x << ", " << y << ")";
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ((int)pixels.size(), opaque_);
        EXPECT_EQ((int)seen.size(), opaque_);
    }

    Picture logo_;
    int opaque_ = 0;
};

TEST_F(TransparentBitmap, DissolveDrawsEachPixelOnceInPassOrder)
{
    // The rectangle's right and bottom are not read.
    RECT origin = { 7, 3, -100, -100 };
    std::vector<SetPixelRecord> pixels = RecordDrawing(IDB_LOGO, origin, 1);
    ExpectEveryOpaquePixelOnce(pixels, origin);

    // Pass by pass, each pass row by row, left to right.
    int wrong = 0;
    for (size_t i = 1; i < pixels.size(); i++) {
        int x0 = pixels[i - 1].x - 7, y0 = pixels[i - 1].y - 3;
        int x1 = pixels[i].x - 7, y1 = pixels[i].y - 3;
        int pass0 = kDissolveOrder[y0 % 8][x0 % 8], pass1 = kDissolveOrder[y1 % 8][x1 % 8];
        bool inOrder = pass0 < pass1 ||
                       (pass0 == pass1 && (y0 < y1 || (y0 == y1 && x0 < x1)));
        if (!inOrder && wrong++ < 5) {
            ADD_FAILURE() << "record " << i << ": (" << x1 << ", " << y1 << ") pass " << pass1
                          << " after (" << x0 << ", " << y0 << ") pass " << pass0;
        }
    }
    EXPECT_EQ(wrong, 0);
    ASSERT_FALSE(pixels.empty());
    // The first pixel drawn is the first opaque one of pass 0, the pixel
    // (1, 1) of some block.
    EXPECT_EQ((pixels[0].x - 7) % 8, 1);
    EXPECT_EQ((pixels[0].y - 3) % 8, 1);
}

TEST_F(TransparentBitmap, WithoutDissolveRowByRow)
{
    RECT origin = { 0, 0, 0, 0 };
    std::vector<SetPixelRecord> pixels = RecordDrawing(IDB_LOGO, origin, 0);
    ExpectEveryOpaquePixelOnce(pixels, origin);
    int wrong = 0;
    for (size_t i = 1; i < pixels.size(); i++) {
        bool inOrder = pixels[i - 1].y < pixels[i].y ||
                       (pixels[i - 1].y == pixels[i].y && pixels[i - 1].x < pixels[i].x);
        if (!inOrder && wrong++ < 5)
            ADD_FAILURE() << "record " << i << " out of row order";
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(TransparentBitmap, OnAMemoryContextKeyPixelsLeftAlone)
{
    // A 32-bit memory picture filled with a colour the logo lacks.
    const int width = 520, height = 60;
    const COLORREF fill = RGB(1, 2, 3);
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HDC memory = CreateCompatibleDC(NULL);
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    ASSERT_TRUE(dib != NULL);
    HGDIOBJ previous = SelectObject(memory, dib);

    // The logo with and without the dissolve, and an id without a bitmap.
    struct Row { WORD id; int dissolve; bool drawn; } rows[] = {
        /* 0 */ { IDB_LOGO, 1, true },
        /* 1 */ { IDB_LOGO, 0, true },
        /* 2 */ { 9999, 1, false },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": bitmap " << rows[i].id
                                        << ", dissolve " << rows[i].dissolve);
        RECT whole = { 0, 0, width, height };
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(memory, &whole, brush);
        DeleteObject(brush);
        RECT origin = { 11, 9, 0, 0 };
        DrawTransparentBitmap(memory, rows[i].id, &origin, rows[i].dissolve);
        GdiFlush();
        int wrong = 0;
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                int bx = x - 11, by = y - 9;
                bool inside = rows[i].drawn && bx >= 0 && by >= 0 && bx < logo_.width &&
                              by < logo_.height;
                COLORREF want = inside && logo_.At(bx, by) != kKey ? logo_.At(bx, by) : fill;
                if (GetPixel(memory, x, y) != want && wrong++ < 5)
                    ADD_FAILURE() << "(" << x << ", " << y << ") is " << Hex(GetPixel(memory, x, y))
                                  << ", expected " << Hex(want);
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
}

TEST_F(TransparentBitmap, MissingBitmapRecordsNothing)
{
    RECT origin = { 0, 0, 0, 0 };
    struct Row { WORD id; int dissolve; } rows[] = {
        /* 0 */ { 9999, 1 },
        /* 1 */ { 9999, 0 },
        /* 2 */ { 0, 1 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        EXPECT_EQ(RecordDrawing(rows[i].id, origin, rows[i].dissolve).size(), 0u) << "row " << i;
    }
}

// Prints how long the window's first paint, with the logo's dissolve,
// a later full paint, and the logo alone with and without the dissolve
// take on this screen.
double Milliseconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

TEST_F(Background, BenchmarkFirstPaint)
{
    LARGE_INTEGER start, created, repainted, dissolved, drawn;
    QueryPerformanceCounter(&start);
    ASSERT_EQ(CreateMainWindow(), 1);
    QueryPerformanceCounter(&created);
    EXPECT_EQ(g_setup.dissolvePending, 0) << "the first paint did not run inside CreateMainWindow";
    RedrawWindow(g_setup.mainWindow, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    QueryPerformanceCounter(&repainted);

    HDC dc = GetDC(g_setup.mainWindow);
    RECT logo = { 20, height_ - 60, 600, height_ - 10 };
    DrawTransparentBitmap(dc, IDB_LOGO, &logo, 1);
    QueryPerformanceCounter(&dissolved);
    DrawTransparentBitmap(dc, IDB_LOGO, &logo, 0);
    QueryPerformanceCounter(&drawn);
    ReleaseDC(g_setup.mainWindow, dc);

    printf("[ benchmark ] %d x %d: CreateMainWindow with the first paint and dissolve %.1f ms; "
           "a later full paint %.1f ms; the logo alone %.1f ms dissolving, %.1f ms at once\n",
           width_, height_, Milliseconds(start, created), Milliseconds(created, repainted),
           Milliseconds(repainted, dissolved), Milliseconds(dissolved, drawn));
    fflush(stdout);
}

// A package's own side picture and logo stand in for the built-in ones;
// a picture the rule refuses (here of the wrong size, or missing) leaves
// the built-in one. The welcome page of the valid pair is kept as a
// picture, package-pictures.bmp, beside the tests.
TEST_F(Background, PackagePicturesOrTheBuiltInOnes)
{
    const COLORREF red = RGB(128, 0, 0), green = RGB(0, 128, 0);
    struct Row { const char *name; std::string side, logo; bool own; } rows[] = {
        { "a valid pair", MakeBmp(118, 234, 4, red), MakeBmp(490, 43, 4, green, 3), true },
        { "wrong size, missing", MakeBmp(100, 234, 4, red), "", false },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string dir = ScratchDir("pictures");
        WriteFileBytes(dir + "\\SIDE.BMP", row.side);
        if (!row.logo.empty())
            WriteFileBytes(dir + "\\LOGO.BMP", row.logo);
        TEXT_COPY(g_setup.sourceDir, dir.c_str());
        TEXT_COPY(g_setup.pictureNames[PICTURE_SIDE], "SIDE.BMP");
        TEXT_COPY(g_setup.pictureNames[PICTURE_LOGO], "LOGO.BMP");
        LoadPackagePictures();
        EXPECT_EQ(g_setup.pictures[PICTURE_SIDE] != NULL, row.own);
        EXPECT_EQ(g_setup.pictures[PICTURE_LOGO] != NULL, row.own);
        g_setup.dissolvePending = 1;
        ScreenShot shot = Open();
        ExpectLogo(shot, 20, height_ - 60, row.own ? PictureOf(g_setup.pictures[PICTURE_LOGO])
                                                   : LoadPicture(IDB_LOGO));
        DrivePage(welcomePage, [&](HWND page) {
            HWND control = GetDlgItem(page, IDC_SIDE_PICTURE);
            HBITMAP shown = (HBITMAP)SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0);
            BITMAP info = {};
            GetObjectA(shown, sizeof(info), &info);
            EXPECT_EQ(info.bmWidth, 118);
            EXPECT_EQ(shown == g_setup.pictures[PICTURE_SIDE], row.own);
            EXPECT_TRUE(UiWaitPainted(page));
            RECT rect;
            GetWindowRect(control, &rect);
            ScreenShot pageShot = CaptureScreen();
            int ours = 0, all = 0;
            for (int y = rect.top; y < rect.bottom; y++)
                for (int x = rect.left; x < rect.right; x++, all++)
                    ours += pageShot.Screen(x, y) == red;
            EXPECT_EQ(ours == all, row.own) << ours << " of " << all << " pixels the package's";
            if (row.own) {
                EXPECT_TRUE(UiSaveScreenshot("package-pictures.bmp", page));
            }
            UiClick(page, IDC_NEXT);
        });
        DestroyWindow(g_setup.mainWindow);
        g_setup.mainWindow = NULL;
        FreePackagePictures();
        RemoveTree(dir);
    }
}

// At every screen depth (the entries background_16bpp and background_8bpp
// run it at 16 bpp and at 256 colours too): no pixel of the logo shows
// the key colour, and each opaque one shows its own colour as nearly as
// the screen can (a 16-bit screen keeps 5 or 6 bits of each).
TEST_F(Background, LogoAtAnyDepthShowsNoKeyColour)
{
    Picture logo = LoadPicture(IDB_LOGO);
    ASSERT_EQ(logo.width, 490);
    ScreenShot shot = Open();
    int left = 20, top = height_ - 60, keyShown = 0, wrong = 0, opaque = 0;
    for (int y = 0; y < logo.height && top + y < shot.ClientHeight(); y++) {
        for (int x = 0; x < logo.width && left + x < shot.ClientWidth(); x++) {
            COLORREF seen = shot.Client(left + x, top + y);
            if (GetRValue(seen) >= 0xC0 && GetGValue(seen) <= 0x40 && GetBValue(seen) >= 0xC0 &&
                keyShown++ < 5)
                ADD_FAILURE() << "key-coloured " << Hex(seen) << " at logo pixel (" << x << ", " << y << ")";
            COLORREF want = logo.At(x, y);
            if (want == kKey)
                continue;
            opaque++;
            if ((abs(GetRValue(seen) - GetRValue(want)) > 8 || abs(GetGValue(seen) - GetGValue(want)) > 8 ||
                 abs(GetBValue(seen) - GetBValue(want)) > 8) && wrong++ < 5)
                ADD_FAILURE() << "logo pixel (" << x << ", " << y << ") is " << Hex(seen) << ", not "
                              << Hex(want);
        }
    }
    EXPECT_EQ(keyShown, 0);
    EXPECT_EQ(wrong, 0) << "of " << opaque << " opaque pixels";

    // a palette of its own exactly where the screen has one
    HDC screen = GetDC(NULL);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    bool paletteScreen = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(NULL, screen);
    printf("screen of %d bpp%s; background palette: %s\n", depth, paletteScreen ? " with a palette" : "",
           g_setup.gradientPalette != NULL ? "yes" : "none");
    EXPECT_EQ(g_setup.gradientPalette != NULL, paletteScreen);
}

}  // namespace
