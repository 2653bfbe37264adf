/* The package check's run: what its parts share. Private to setupchk/. */
#ifndef SETUPCHK_CHECK_RUN_H
#define SETUPCHK_CHECK_RUN_H

#include "setupchk.h"
#include "script_lines.h"
#include "setup_state.h"
#include "containment.h"

#define RECORD_MAX    32767     /* the largest file table */
#define PROBLEM_MAX   400       /* findings kept for printing; more are counted */
#define MESSAGE_MAX   1024
#define FILE_LINE_MAX 1022      /* longest file line the loader takes */
/* Where the targets are shown when the script gives no usable default
 * directory and the user would have to choose one. */
#define CHOSEN_DIR    "C:\\CHOSEN"

#define LEVEL_WARNING 1
#define LEVEL_ERROR   2

/* What the setup does with a file it cannot read or place: the
 * "Setup:" sentence's end. */
#define SETUP_ASKS "asks the user about the file, naming it (Abort, Retry, Ignore): the " \
                   "installation goes on only without it, and then ends incomplete."

#define COUNT_OF(array) ((int)(sizeof(array) / sizeof((array)[0])))

struct Problem {
    int line;
    int level;
    char text[MESSAGE_MAX];
};

struct CheckRun {
    CheckOutput output;
    void *context;
    char scriptPath[MAX_PATH];
    char packageDir[MAX_PATH];  /* the folder as the setup names it */
    char shownDir[MAX_PATH];    /* ... and as the findings name it (empty: the same) */
    ScriptText script;
    int errors, warnings;       /* all found, also those not kept */
    int kept;
    int refused;                /* containment faults: the setup refuses the package */
    Problem problems[PROBLEM_MAX];
    unsigned char emptied[RECORD_MAX];  /* the loader left the record empty */
    unsigned char outside[RECORD_MAX];  /* containment refuses the record */
    unsigned char installs[RECORD_MAX]; /* the record writes its target */
    unsigned char noSource[RECORD_MAX]; /* its source is missing */
    DWORD targetHash[RECORD_MAX];       /* 0: nothing is written for it */
    DWORD diskBytes[DISK_MAX];          /* stored bytes of each disk's sources */
    int sourceWidth, targetWidth;
    int *recordLines[DISK_MAX];         /* line of each loaded record, 0 when absent */
};

extern CheckRun g_check;

/* Reporting (check_report.cpp), what every part of the check calls. */
/* A line of the settings or the file table. */
void TellInfo(const char *text);
/* A finding; text: "what. Setup: what it does." */
void AddProblem(int line, int level, const char *text);
#define ERROR_AT(line, text)   AddProblem((line), LEVEL_ERROR, (text))
#define WARNING_AT(line, text) AddProblem((line), LEVEL_WARNING, (text))

/* Where findings point (check_lines.cpp). A script text for a message,
 * its control characters shown by name, cut to 60 characters. */
void Quote(char *buffer, int size, const char *text);
void ControlName(char *buffer, int size, unsigned char c);
unsigned char FirstControl(const char *text);
/* A path with one "\" between its parts (no doubled one, no "." step). */
void TidyPath(char *buffer, int size, const char *path);
/* The package folder's paths in a text as g_check.shownDir names them. */
void ShowPackagePaths(char *text, int size);
void DiskName(int disk, char *name, int size);
/* The line of a key (null: of the section) of a section named by its
 * string id; 0 when absent. */
int LineOf(UINT sectionId, const char *key);
/* The line of a section, or 1. */
int SectionLine(UINT sectionId);
/* The number a key of a disk section stands for ("1", "2", ...), or 0. */
int RecordNumber(const char *key);
int RecordLine(int disk, int file);
int RecordIndex(const FileRecord *record);
void LocateRecord(const FileRecord *record, int *disk, int *file);

/* The names the loader reads (check_names.cpp), from the string table
 * where the loader takes them from it; filled by LoadKnownNames. */
void LoadKnownNames(void);
extern const char *directoryKeys[DIRECTORY_KEYS];
/* [Startup]'s keys: Title, the driver strings, PnpID. */
extern const char *startupKeys[];
const char *NearestName(const char *name, const char *const *names, int count);
/* " (did you mean <before>nearest<after>?)", or empty without a nearest. */
void DidYouMean(char *buffer, int size, const char *nearest, const char *before,
                const char *after);
/* Sections and keys the loader does not read, and those given twice. */
void CheckNames(void);

/* The file table (check_files.cpp). */
/* The table with a row and the findings of each record, and the space. */
void TellFileTable(void);
void CheckDiskSizes(void);
void CheckSameTargets(int recordCount);
void CheckOwnFiles(int recordCount);
void CheckComponents(int recordCount);

/* The package's own side picture and logo (check_pictures.cpp). */
void CheckPictures(void);

/* Record lines (check_lines.cpp): found once after the loader has run,
 * freed at the end; the loader's notes of the lines it cut or refused. */
void IndexRecordLines(void);
void FreeRecordLines(void);
void OnLoaderNote(const FileRecord *record, int note, const char *text);

/* Settings (check_settings.cpp): texts the loader cuts, the counts, the
 * script's encoding, and each containment fault as it is found. */
void CheckSettings(void);
void CheckCountWidths(void);
void CheckCounts(void);
void CheckEncoding(void);
/* The value the setup uses for a key of [Main] or [Startup] (its
 * default when the script does not give it), and what shows it (or an
 * empty text); 0 for any other key. */
int SettingInUse(const char *key, char *value, int size, const char **use);
int OnContainmentFault(const ContainmentFault *fault, void *context);

/* Sources (check_sources.cpp). */
/* What one source looks like to the setup. */
struct SourceFacts {
    int opened;                 /* LZOpenFileA gave a handle */
    int present;                /* the path itself names a file */
    char openedPath[OFS_MAXPATHNAME];
    DWORD stored;               /* bytes in the package */
    LONG expected;              /* what the setup expects to write */
    DWORD declared;             /* the length a compressed header gives */
    LONG expanded;              /* what reading it through LZ32 gave */
    int header;                 /* HEADER_... */
};

#define HEADER_PLAIN    0       /* not compressed */
#define HEADER_GOOD     1
#define HEADER_SHORT    2       /* "SZDD" but shorter than the header */
#define HEADER_BAD_SIGN 3
#define HEADER_METHOD   4       /* an expansion method other than 'A' */

/* A short (8.3) name, or a path of short names. */
int IsShortName(const char *name);
int IsShortPath(const char *path);
/* Opens the source as the setup does and reads it through. */
void InspectSource(const char *path, SourceFacts *facts);
/* The findings about one source; the bytes the setup will write for it,
 * -1 when it writes none. */
LONG CheckSource(int line, const char *path, const FileRecord *record, const SourceFacts *facts);

#endif
