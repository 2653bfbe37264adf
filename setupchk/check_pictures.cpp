/* The package's own pictures: the files [Main] names for the side picture
 * and the logo, judged by the setup's picture rule, and their colour key. */
#include "check_run.h"
#include "text.h"
#include "resource.h"
#include "package_picture.h"

#define COLOUR_KEY_TEXT "the colour key 0xFF00FF (red 255, green 0, blue 255)"

/* What the setup's rule says of a picture, with the file's facts. */
static void TellFault(int line, int kind, int fault, const char *path, const PictureFacts *facts)
{
    const PictureKind *k = &pictureKinds[kind];
    const BITMAPINFOHEADER *info = &facts->info;
    char what[MESSAGE_MAX], text[MESSAGE_MAX], shown[MAX_PATH];

    TidyPath(shown, sizeof(shown), path);
    switch (fault) {
    case PICTURE_NAME:
        TextFormat(what, sizeof(what), "%s=%s names no file of the package's directory "
                   "(or its path is too long)", k->key, g_setup.pictureNames[kind]);
        break;
    case PICTURE_MISSING:
        TextFormat(what, sizeof(what), "the %s %s is not in the package", k->what, shown);
        break;
    case PICTURE_NOT_BMP:
        TextFormat(what, sizeof(what), "the %s %s is not a BMP file", k->what, shown);
        break;
    case PICTURE_HEADER:
        TextFormat(what, sizeof(what), "the %s %s has a %lu-byte header; the setup takes only "
                   "the 40-byte header of Windows 3.x bitmaps, the one every Windows reads: save "
                   "it as a Windows 3.x BMP", k->what, shown, (unsigned long)info->biSize);
        break;
    case PICTURE_SIZE:
        TextFormat(what, sizeof(what), "the %s %s is %ld x %ld pixels; it must be %d x %d, "
                   "bottom-up, like the built-in one", k->what, shown, (long)info->biWidth,
                   (long)info->biHeight, k->width, k->height);
        break;
    case PICTURE_DEPTH:
        TextFormat(what, sizeof(what), "the %s %s has %u bits per pixel (%lu colours); it "
                   "must have %d bits per pixel (%d colours), like the built-in one", k->what,
                   shown, (unsigned)info->biBitCount, (unsigned long)PaletteEntries(info), k->bits,
                   1 << k->bits);
        break;
    case PICTURE_COMPRESSED:
        TextFormat(what, sizeof(what), "the %s %s is compressed: save it uncompressed",
                   k->what, shown);
        break;
    default:
        TextFormat(what, sizeof(what), "the %s %s ends before its pixels do", k->what, shown);
        break;
    }
    TextFormat(text, sizeof(text), "%s. Setup: shows its built-in %s.", what, k->what);
    ERROR_AT(line, text);
}

/* The pixels of a good picture that are the colour key. */
static long CountKeyPixels(const char *path, const PictureFacts *facts)
{
    const BITMAPINFOHEADER *info = &facts->info;
    DWORD rowBytes = PictureRowBytes(info->biWidth, info->biBitCount);
    DWORD entries = PaletteEntries(info);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    BYTE *bytes = (BYTE *)GlobalAlloc(GMEM_FIXED, facts->fileSize);
    DWORD got = 0, e;
    unsigned char isKey[256];
    long count = 0, x, y;

    if (file != INVALID_HANDLE_VALUE && bytes != NULL)
        ReadFile(file, bytes, facts->fileSize, &got, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (got != facts->fileSize) {
        if (bytes != NULL)
            GlobalFree(bytes);
        return -1;
    }
    /* palette entries are blue, green, red, unused */
    FillBytes(isKey, 0, sizeof(isKey));
    for (e = 0; e < entries && e < 256; e++) {
        const BYTE *entry = bytes + sizeof(facts->file) + sizeof(*info) + e * 4;
        isKey[e] = entry[0] == 255 && entry[1] == 0 && entry[2] == 255;
    }
    for (y = 0; y < info->biHeight; y++) {
        const BYTE *row = bytes + facts->file.bfOffBits + (DWORD)y * rowBytes;
        for (x = 0; x < info->biWidth; x++) {
            long bit = x * info->biBitCount;
            int index = (row[bit / 8] >> (8 - info->biBitCount - bit % 8)) &
                        ((1 << info->biBitCount) - 1);
            count += isKey[index];
        }
    }
    GlobalFree(bytes);
    return count;
}

/* The logo leaves its key pixels out; the side picture is shown whole. */
static void CheckColourKey(int line, int kind, const char *path, const PictureFacts *facts)
{
    long keyed = CountKeyPixels(path, facts);
    char text[MESSAGE_MAX];

    if (kind == PICTURE_LOGO && keyed == 0) {
        TEXT_COPY(text, "the logo has no pixel of " COLOUR_KEY_TEXT ", the colour the "
                  "background shows through. Setup: draws the whole 490 x 43 rectangle over "
                  "the background's blue.");
        WARNING_AT(line, text);
    }
    if (kind == PICTURE_SIDE && keyed > 0) {
        TextFormat(text, sizeof(text), "%ld pixels of the side picture are " COLOUR_KEY_TEXT
                   ". Setup: shows the side picture whole, those pixels in magenta.", keyed);
        WARNING_AT(line, text);
    }
}

void CheckPictures(void)
{
    char path[MAX_PATH], text[MESSAGE_MAX];
    PictureFacts facts;
    int kind, fault, line;

    for (kind = 0; kind < PICTURE_KINDS; kind++) {
        line = LineOf(IDS_MAIN_SECTION, pictureKinds[kind].key);
        fault = FindPackagePicture(kind, path, sizeof(path), &facts);
        if (fault == PICTURE_NONE)
            continue;
        if (fault != PICTURE_GOOD) {
            TellFault(line, kind, fault, path, &facts);
            continue;
        }
        /* it travels on the first disk, with the script */
        g_check.diskBytes[0] += facts.fileSize;
        CheckColourKey(line, kind, path, &facts);
        if (kind == PICTURE_LOGO && g_setup.noLogo != 0) {
            TEXT_COPY(text, "a logo is given, but OEM is not 0. Setup: shows no logo.");
            WARNING_AT(line, text);
        }
    }
}
