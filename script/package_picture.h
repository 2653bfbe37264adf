/* A package's own pictures. [Main] may name a side picture ("SidePicture")
 * and a logo ("Logo"): files in the package's directory, shown in place of
 * the built-in ones when each is a bitmap of the built-in one's size and
 * colour depth. The rule is Windows 95's reading of a BMP file: the
 * 40-byte header of Windows 3.x bitmaps (which every Windows reads; not
 * so the 124-byte one editors write now, which Windows 95 does not know),
 * uncompressed, bottom-up. SETUP.EXE and SETUPCHK judge a picture with
 * this rule alone. */
#ifndef SETUP_PACKAGE_PICTURE_H
#define SETUP_PACKAGE_PICTURE_H

#include "setup_state.h"

#define PICTURE_SIDE    0       /* the side picture of every page */
#define PICTURE_LOGO    1       /* the background's logo */

/* What a picture named in the script is. */
#define PICTURE_GOOD        0
#define PICTURE_NONE        1   /* the script names none */
#define PICTURE_NAME        2   /* the name leaves the package's directory */
#define PICTURE_MISSING     3   /* no such file, or it cannot be read */
#define PICTURE_NOT_BMP     4   /* it does not begin with "BM" */
#define PICTURE_HEADER      5   /* a header other than the 40-byte one */
#define PICTURE_SIZE        6   /* not the built-in one's width and height */
#define PICTURE_DEPTH       7   /* not the built-in one's bits per pixel */
#define PICTURE_COMPRESSED  8
#define PICTURE_SHORT       9   /* the file ends before its pixels do */

struct PictureKind {
    const char *key;            /* its key in [Main] */
    const char *what;           /* its name in a sentence */
    int width, height, bits;    /* the built-in one's */
};

extern const PictureKind pictureKinds[PICTURE_KINDS];

/* A BMP file's headers as they lie in the file, and its length. */
#pragma pack(push, 2)
struct PictureFacts {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    DWORD fileSize;
};
#pragma pack(pop)

/* The picture of a kind that the script names: PICTURE_GOOD with its full
 * path, or PICTURE_NONE, or what is wrong with it (the path, when there is
 * one, and the facts read are given either way). */
int FindPackagePicture(int kind, char *path, int size, PictureFacts *facts);
/* The palette entries a picture holds: those its header gives, or as
 * many as its depth allows when it gives 0. */
DWORD PaletteEntries(const BITMAPINFOHEADER *info);
/* The bytes of one row of pixels: rows are kept to whole 32-bit words. */
DWORD PictureRowBytes(LONG width, WORD bits);

#endif
