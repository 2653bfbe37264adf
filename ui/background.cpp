/* The full-screen background window: a blue gradient, the banner title
 * with its shadow, and the logo, which dissolves in on the first paint. */
#include "ui_test.h"
#include "fixed_texts.h"
#include "resource.h"
#include "package_picture.h"

#define MAIN_CLASS      "SetupMain"
#define BAND_COUNT      255
#define COLOUR_KEY      RGB(255, 0, 255)
/* On a screen of 256 colours the gradient gets a palette of its own:
 * every second blue, which leaves the system's 20 colours and room for
 * others. */
#define PALETTE_BLUES   128

/* The pass in which each pixel of an 8 x 8 block of the logo appears;
 * row = y mod 8, column = x mod 8. */
static const unsigned char dissolveOrder[8][8] = {
    { 44, 16, 24, 36, 46, 18, 26, 38 },
    { 48,  0,  8, 56, 50,  2, 10, 58 },
    { 28, 32, 40, 20, 30, 34, 42, 22 },
    { 12, 60, 52,  4, 14, 62, 54,  6 },
    { 47, 19, 27, 39, 45, 17, 25, 37 },
    { 51,  3, 11, 59, 49,  1,  9, 57 },
    { 31, 35, 43, 23, 29, 33, 41, 21 },
    { 15, 63, 55,  7, 13, 61, 53,  5 },
};

/* The nearest 32-bit float to 1/255 (bit pattern 0x3B808081). */
static const float bandFraction = 1.0f / 255.0f;

static const RECT shadowRect = { 30, 20, 500, 60 };
static const RECT titleRect = { 25, 15, 500, 60 };

/* One edge of the gradient's bands: the product in double precision,
 * truncated toward zero and kept to 16 bits. */
static short BandEdge(int band, float bandHeight)
{
    return (short)(int)((double)band * (double)bandHeight);
}

/* A band's colour: on a palette screen the nearest blue of the
 * gradient's palette, so the bands stay smooth instead of dithered. */
static COLORREF BandColour(int band)
{
    if (g_setup.gradientPalette != NULL)
        return PALETTERGB(0, 0, 255 - band);
    return RGB(0, 0, 255 - band);
}

static void PaintGradient(HDC dc)
{
    /* Stored through a volatile so the x87 build rounds the height to a
     * 32-bit float, as the band edges need. */
    volatile float bandHeight = (float)g_setup.screenHeight * bandFraction;
    float height = bandHeight;
    RECT band;
    HBRUSH brush;
    int i;

    for (i = 0; i < BAND_COUNT; i++) {
        band.left = 0;
        band.top = BandEdge(i, height);
        band.right = g_setup.screenWidth;
        band.bottom = BandEdge(i + 1, height);
        brush = CreateSolidBrush(BandColour(i));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

static void DrawBannerText(HDC dc, const RECT *rect, COLORREF colour)
{
    RECT bounds = *rect;

    SetTextColor(dc, colour);
    DrawTextA(dc, g_setup.bannerTitle, -1, &bounds, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
}

/* The title in white over its black shadow, 5 pixels right and down. */
static void PaintBanner(HDC dc)
{
    HGDIOBJ previousFont = SelectObject(dc, g_setup.bannerFont);

    SetBkMode(dc, TRANSPARENT);
    DrawBannerText(dc, &shadowRect, RGB(0, 0, 0));
    DrawBannerText(dc, &titleRect, RGB(255, 255, 255));
    if (previousFont != NULL)
        SelectObject(dc, previousFont);
}

static void DrawBitmapPixels(HDC dc, HBITMAP bitmap, const RECT *origin, int dissolve);

/* The logo at the bottom left, only where the paint reaches it: the
 * package's own when it has one. */
static void PaintLogo(HDC dc, const RECT *paintRect)
{
    RECT logo;
    RECT overlap;

    if (g_setup.noLogo != 0)
        return;
    SetRect(&logo, 20, g_setup.screenHeight - 60, 600, g_setup.screenHeight - 10);
    if (!IntersectRect(&overlap, &logo, paintRect))
        return;
    if (g_setup.pictures[PICTURE_LOGO] != NULL)
        DrawBitmapPixels(dc, g_setup.pictures[PICTURE_LOGO], &logo, g_setup.dissolvePending);
    else
        DrawTransparentBitmap(dc, IDB_LOGO, &logo, g_setup.dissolvePending);
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);

    if (g_setup.gradientPalette != NULL) {
        SelectPalette(dc, g_setup.gradientPalette, FALSE);
        RealizePalette(dc);
    }
    PaintGradient(dc);
    PaintBanner(dc);
    PaintLogo(dc, &paint.rcPaint);
    /* Only the first paint dissolves, whether or not it reached the logo. */
    g_setup.dissolvePending = 0;
    EndPaint(window, &paint);
}

/* The gradient's palette, made only where the screen has one. */
static HPALETTE CreateGradientPalette(HWND window)
{
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[PALETTE_BLUES];
    } palette;
    HDC dc = GetDC(window);
    int paletteScreen = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    int i;

    ReleaseDC(window, dc);
    if (!paletteScreen)
        return NULL;
    palette.version = 0x300;
    palette.count = PALETTE_BLUES;
    for (i = 0; i < PALETTE_BLUES; i++) {
        palette.entries[i].peRed = 0;
        palette.entries[i].peGreen = 0;
        palette.entries[i].peBlue = (BYTE)(255 - 2 * i);
        palette.entries[i].peFlags = 0;
    }
    return CreatePalette((LOGPALETTE *)&palette);
}

/* Another window changed the system palette, or this one may realize
 * its own again: repaint with it where the colours moved. */
static LRESULT OnPaletteChange(HWND window, HWND changer)
{
    HDC dc;
    HGDIOBJ previous;
    UINT changed;

    if (g_setup.gradientPalette == NULL || changer == window)
        return FALSE;
    dc = GetDC(window);
    previous = SelectPalette(dc, g_setup.gradientPalette, FALSE);
    changed = RealizePalette(dc);
    SelectPalette(dc, (HPALETTE)previous, TRUE);
    ReleaseDC(window, dc);
    if (changed != 0)
        InvalidateRect(window, NULL, FALSE);
    return TRUE;
}

/* Topmost over the whole screen, and the banner font (and the palette)
 * for the window's lifetime. */
static void OnCreate(HWND window)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, g_setup.screenWidth, g_setup.screenHeight,
                 SWP_SHOWWINDOW);
    g_setup.bannerFont = CreateFontA(-36, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                     "Times New Roman");
    g_setup.gradientPalette = CreateGradientPalette(window);
}

static void OnDestroy(void)
{
    if (g_setup.bannerFont != NULL)
        DeleteObject(g_setup.bannerFont);
    g_setup.bannerFont = NULL;
    if (g_setup.gradientPalette != NULL)
        DeleteObject(g_setup.gradientPalette);
    g_setup.gradientPalette = NULL;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_QUERYNEWPALETTE:
        return OnPaletteChange(window, NULL);
    case WM_PALETTECHANGED:
        return OnPaletteChange(window, (HWND)wParam);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterMainClass(void)
{
    WNDCLASSA mainClass;

    mainClass.style = CS_HREDRAW | CS_VREDRAW;
    mainClass.lpfnWndProc = MainWindowProc;
    mainClass.cbClsExtra = 0;
    mainClass.cbWndExtra = 0;
    mainClass.hInstance = g_setup.instance;
    mainClass.hIcon = NULL;
    mainClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    /* No brush: the paint covers every pixel. */
    mainClass.hbrBackground = NULL;
    mainClass.lpszMenuName = NULL;
    mainClass.lpszClassName = MAIN_CLASS;
    /* Fails when the class already exists; the first registration serves. */
    RegisterClassA(&mainClass);
}

/* Handles whatever is waiting, the window's first paint included. */
static void DrainMessages(void)
{
    MSG message;

    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int CreateMainWindow(void)
{
    RegisterMainClass();
    g_setup.mainWindow = CreateWindowExA(0, MAIN_CLASS, TEXT_SETUP,
                                         WS_POPUP | WS_VISIBLE | WS_BORDER,
                                         CW_USEDEFAULT, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT,
                                         NULL, NULL, g_setup.instance, NULL);
    if (g_setup.mainWindow == NULL)
        return 0;
    DrainMessages();
    return 1;
}

/* One pixel of the bitmap, unless it has the colour key. The bitmap
 * keeps its own colours (a DIB section), so the key matches exactly at
 * any screen depth. */
static void CopyPixel(HDC dc, HDC source, int left, int top, int x, int y)
{
    COLORREF colour = GetPixel(source, x, y);

    if (colour != COLOUR_KEY)
        SetPixel(dc, left + x, top + y, colour);
}

/* 64 passes, each adding one pixel of every 8 x 8 block. */
static void CopyPixelsDissolving(HDC dc, HDC source, const RECT *origin, int width, int height)
{
    int pass, x, y;

    for (pass = 0; pass < 64; pass++) {
        for (y = 0; y < height; y++) {
            for (x = 0; x < width; x++) {
                if (dissolveOrder[y % 8][x % 8] == pass)
                    CopyPixel(dc, source, origin->left, origin->top, x, y);
            }
        }
    }
}

static void CopyPixelsAtOnce(HDC dc, HDC source, const RECT *origin, int width, int height)
{
    int x, y;

    for (y = 0; y < height; y++) {
        for (x = 0; x < width; x++)
            CopyPixel(dc, source, origin->left, origin->top, x, y);
    }
}

/* Draws a bitmap pixel by pixel with its top-left pixel at the origin's
 * left and top, leaving out the colour key. */
static void DrawBitmapPixels(HDC dc, HBITMAP bitmap, const RECT *origin, int dissolve)
{
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, bitmap);
    BITMAP info;

    GetObjectA(bitmap, sizeof(info), &info);
    if (dissolve)
        CopyPixelsDissolving(dc, source, origin, info.bmWidth, info.bmHeight);
    else
        CopyPixelsAtOnce(dc, source, origin, info.bmWidth, info.bmHeight);
    SelectObject(source, previous);
    DeleteDC(source);
}

/* The same for a bitmap resource. */
void DrawTransparentBitmap(HDC dc, WORD bitmapId, const RECT *origin, int dissolve)
{
    /* As a DIB section, not converted to the screen's format: at 16 bpp
     * the key would read back as another colour. */
    HBITMAP bitmap = (HBITMAP)LoadImageA(g_setup.instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP,
                                         0, 0, LR_CREATEDIBSECTION);

    if (bitmap == NULL)
        return;
    DrawBitmapPixels(dc, bitmap, origin, dissolve);
    DeleteObject(bitmap);
}
