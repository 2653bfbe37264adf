/* The restore record: the registry values the setup replaced, kept in
 * installDir\SETUP.INF under the mouse type's section, each written once. */
#include "restore_record.h"
#include "path_rule.h"
#include "setup_state.h"
#include "text.h"
#include "journal.h"

/* What the reader gives for an absent key: no value of a profile line can
 * hold a line break, so this never comes from the file. */
#define ABSENT_KEY "\n"

/* installDir + "\SETUP.INF"; 0 when there is no directory or the path
 * does not fit, so nothing ever lands in "\SETUP.INF" of a drive root. */
static int BuildRecordPath(char *path, int size)
{
    if (g_setup.installDir[0] == '\0')
        return 0;
    return PathJoin(path, size, g_setup.installDir, "SETUP.INF");
}

const char *ReadSetupValue(const char *section, const char *key, const char *defaultText)
{
    static char value[TEXT_MAX];
    char path[TEXT_MAX];

    if (!BuildRecordPath(path, sizeof(path))) {
        TEXT_COPY(value, defaultText);
        return value;
    }
    GetPrivateProfileStringA(section, key, defaultText, value, sizeof(value), path);
    value[sizeof(value) - 1] = '\0';
    return value;
}

/* The record this run's journal has saved or noted as new. */
static char journaledRecord[TEXT_MAX];

int RecordOriginalValue(const char *section, const char *key, const char *value)
{
    char path[TEXT_MAX];
    char *line = NULL;
    size_t length;
    int journaled;

    if (!BuildRecordPath(path, sizeof(path)))
        return 1;
    /* the file is read again on every call: the first record stays, and
     * an empty one says the value did not exist */
    if (!TextSame(ReadSetupValue(section, key, ABSENT_KEY), ABSENT_KEY))
        return 1;
    /* a null value would delete the key: an absent value is recorded empty */
    if (value == NULL)
        value = "";
    /* a line break would start another key or section: keep the first line */
    for (length = 0; value[length] != '\0' && value[length] != '\r' && value[length] != '\n'; length++)
        ;
    if (value[length] != '\0') {
        line = (char *)LocalAlloc(LPTR, length + 1);
        if (line == NULL)
            return 0;
        CopyBytes(line, value, length);
        value = line;
    }
    /* the journal saves the record (or notes it new) once a run, and
     * keeps its checksum after every write */
    if (!PathSame(journaledRecord, path)) {
        if (!JournalFileBefore(path)) {
            if (line != NULL)
                LocalFree(line);
            return 0;
        }
        TEXT_COPY(journaledRecord, path);
    }
    WritePrivateProfileStringA(section, key, value, path);
    /* the profile writer may keep the file in a cache: it is written out
     * before its checksum is taken */
    WritePrivateProfileStringA(NULL, NULL, NULL, path);
    journaled = JournalFileDone(path);
    if (line != NULL)
        LocalFree(line);
    return journaled;
}
