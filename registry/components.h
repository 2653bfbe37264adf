/* The companion components: one table of every key and value the
 * component registration writes. SETUP.EXE writes it; UNINSTAL.EXE
 * takes from it which keys and values are the setup's. */
#ifndef SETUP_COMPONENTS_H
#define SETUP_COMPONENTS_H

#include <windows.h>

#define COMPONENT_FIXED     0   /* text as it stands */
#define COMPONENT_INSTALLED 1   /* installDir "\" text */
#define COMPONENT_PRODUCT   2   /* the product name */

/* Title of the companion mouse program's window, and its start-up entry. */
#define COMPANION_TITLE "Kestrel"
#define RUN_KEY         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"

/* The companion mouse program holds its files open: asks it to close,
 * and waits until it has handled the request. */
void CloseCompanion(void);
/* 1 when its window is there. */
int CompanionRunning(void);

#define HANDLER_CLSID       "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}"
#define CURRENT_VERSION_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define UNINSTALL_ENTRY_KEY CURRENT_VERSION_KEY "\\Uninstall\\Kestrel"

struct ComponentValue {
    HKEY root;
    const char *path;
    const char *name;       /* null: the key's unnamed value */
    int kind;
    const char *text;
};

/* In the order written; consecutive rows of one key are one step. */
extern const ComponentValue g_componentValues[];
extern const int g_componentValueCount;

/* The row's text for the present installDir and productName; 0 when it
 * does not fit whole. */
int ComponentText(const ComponentValue *value, char *text, int size);

#endif
