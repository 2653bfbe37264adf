/* The target directories inside the destination: every missing level is
 * made, and each one goes into the journal before it is made. */
#include "copy_engine.h"
#include "path_rule.h"
#include "text.h"
#include "resource.h"
#include "journal.h"

/* Where the part of path below installDir starts, or -1 when the path
 * does not lie below installDir. */
static int BelowInstallDir(const char *path)
{
    char prefix[DIR_MAX];
    int length = lstrlenA(g_setup.installDir);
    int i;

    if (length == 0 || length >= DIR_MAX || lstrlenA(path) <= length)
        return -1;
    for (i = 0; i < length; i++)
        prefix[i] = path[i];
    prefix[length] = '\0';
    if (!PathSame(prefix, g_setup.installDir))
        return -1;
    if (g_setup.installDir[length - 1] == '\\')
        return length;
    return path[length] == '\\' ? length + 1 : -1;
}

int MakeTargetDirectory(const char *path)
{
    char made[TEXT_MAX];
    char step[TEXT_MAX];
    DWORD attributes;
    int start, i, length, whole = 1;

    start = BelowInstallDir(path);
    if (start < 0)
        return 0;
    TEXT_COPY(made, g_setup.installDir);
    for (i = start;; i++) {
        if (path[i] != '\0' && path[i] != '\\')
            continue;
        length = i - start;
        if (length >= (int)sizeof(step))
            return 0;
        TextCopy(step, length + 1, path + start);
        start = i + 1;
        /* "." and doubled separators add no level */
        if (length > 0 && !(length == 1 && step[0] == '.')) {
            /* a destination at a drive's root already ends in "\" */
            if (made[lstrlenA(made) - 1] == '\\' ? !TEXT_APPEND(made, step)
                                                  : !PathJoin(made, sizeof(made), made, step))
                return 0;
            attributes = GetFileAttributesA(made);
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                /* the journal names it before it exists, or it is not made */
                if (!JournalDirectory(made)) {
                    NoteFailure(IDS_JOURNAL_FAILED, made);
                    return 0;
                }
                if (!CreateDirectoryA(made, NULL))
                    whole = 0;
            } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                whole = 0;
            }
        }
        if (path[i] == '\0')
            break;
    }
    return whole;
}
