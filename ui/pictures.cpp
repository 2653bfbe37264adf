/* The package's own side picture and logo, when its script names them and
 * they pass the picture rule; the built-in ones otherwise. Read once, from
 * the disk the setup starts from, before any disk is changed. */
#include "ui.h"
#include "resource.h"
#include "package_picture.h"

void LoadPackagePictures(void)
{
    char path[MAX_PATH];
    PictureFacts facts;
    int kind;

    for (kind = 0; kind < PICTURE_KINDS; kind++) {
        /* as a DIB section, so that the logo's colour key reads back
         * unchanged on a screen of fewer colours */
        if (FindPackagePicture(kind, path, sizeof(path), &facts) == PICTURE_GOOD)
            g_setup.pictures[kind] = (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0,
                                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    }
}

void FreePackagePictures(void)
{
    int kind;

    for (kind = 0; kind < PICTURE_KINDS; kind++) {
        if (g_setup.pictures[kind] != NULL)
            DeleteObject(g_setup.pictures[kind]);
        g_setup.pictures[kind] = NULL;
    }
}

/* A page shows the package's side picture in place of the built-in one.
 * A static control never deletes its picture: the built-in copy it loaded
 * from the template goes here, the package's stays for the next page. */
void ShowSidePicture(HWND page)
{
    HBITMAP own = g_setup.pictures[PICTURE_SIDE];
    HBITMAP before;

    if (own == NULL)
        return;
    before = (HBITMAP)SendDlgItemMessageA(page, IDC_SIDE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                          (LPARAM)own);
    if (before != NULL && before != own)
        DeleteObject(before);
}
