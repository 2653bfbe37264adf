/* A package's own pictures: the rule that judges the files [Main] names. */
#include "package_picture.h"
#include "path_rule.h"
#include "setup_state.h"
#include "text.h"

const PictureKind pictureKinds[PICTURE_KINDS] = {
    { "SidePicture", "side picture", 118, 234, 4 },
    { "Logo",        "logo",         490, 43,  4 },
};

DWORD PaletteEntries(const BITMAPINFOHEADER *info)
{
    if (info->biClrUsed != 0 || info->biBitCount > 8)
        return info->biClrUsed;
    return (DWORD)1 << info->biBitCount;
}

DWORD PictureRowBytes(LONG width, WORD bits)
{
    return (((DWORD)width * bits + 31) / 32) * 4;
}

/* The first fault of a picture against its kind; got: the header bytes
 * read. */
static int JudgePicture(const PictureKind *kind, const PictureFacts *facts, DWORD got)
{
    const BITMAPINFOHEADER *info = &facts->info;
    DWORD pixels, offset = facts->file.bfOffBits;

    if (got < 2 || facts->file.bfType != 0x4D42)
        return PICTURE_NOT_BMP;
    if (got < sizeof(facts->file) + sizeof(info->biSize))
        return PICTURE_SHORT;
    if (info->biSize != sizeof(*info))
        return PICTURE_HEADER;
    if (got < sizeof(facts->file) + sizeof(*info))
        return PICTURE_SHORT;
    if (info->biWidth != kind->width || info->biHeight != kind->height)
        return PICTURE_SIZE;
    if (info->biBitCount != kind->bits || PaletteEntries(info) > ((DWORD)1 << kind->bits))
        return PICTURE_DEPTH;
    if (info->biCompression != BI_RGB)
        return PICTURE_COMPRESSED;
    pixels = PictureRowBytes(info->biWidth, info->biBitCount) * (DWORD)info->biHeight;
    if (offset < got + PaletteEntries(info) * 4 || offset > facts->fileSize ||
        facts->fileSize - offset < pixels)
        return PICTURE_SHORT;
    return PICTURE_GOOD;
}

int FindPackagePicture(int kind, char *path, int size, PictureFacts *facts)
{
    const char *name = g_setup.pictureNames[kind];
    HANDLE file;
    DWORD got = 0;

    FillBytes(facts, 0, sizeof(*facts));
    path[0] = '\0';
    if (name[0] == '\0')
        return PICTURE_NONE;
    if (CheckPathPiece(name) != PATH_CONTAINED || !PathJoin(path, size, g_setup.sourceDir, name))
        return PICTURE_NAME;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return PICTURE_MISSING;
    facts->fileSize = GetFileSize(file, NULL);
    ReadFile(file, facts, sizeof(facts->file) + sizeof(facts->info), &got, NULL);
    CloseHandle(file);
    return JudgePicture(&pictureKinds[kind], facts, got);
}
