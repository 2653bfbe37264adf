/* The package check: SETUP.INF loaded by the setup's own loader, its
 * containment judged by the setup's own routine, its names by those the
 * loader reads, and its file table by the setup's own path builders (in
 * check_settings.cpp, check_names.cpp, check_files.cpp and
 * check_sources.cpp); then every finding told with its line of the
 * script (check_lines.cpp), its level and what the setup will do. */
#include "check_run.h"
#include "paths.h"
#include "text.h"
#include "resource.h"
#include "containment.h"
#include "setup_script.h"

CheckRun g_check;


static void TellProblem(const Problem *problem)
{
    char message[MESSAGE_MAX + MAX_PATH + 40];
    const char *level = problem->level == LEVEL_ERROR ? "error" : "warning";

    if (g_check.shownDir[0] != '\0') {
        /* the form compilers on that machine give, which its editors read */
        if (problem->line > 0)
            TextFormat(message, sizeof(message), "%s/SETUP.INF:%d: %s: %s", g_check.shownDir,
                       problem->line, level, problem->text);
        else
            TextFormat(message, sizeof(message), "%s/SETUP.INF: %s: %s", g_check.shownDir,
                       level, problem->text);
        ShowPackagePaths(message + lstrlenA(g_check.shownDir), (int)sizeof(message) -
                         lstrlenA(g_check.shownDir));
    } else if (problem->line > 0) {
        TextFormat(message, sizeof(message), "%s(%d): %s: %s", g_check.scriptPath,
                   problem->line, level, problem->text);
    } else {
        TextFormat(message, sizeof(message), "%s: %s: %s", g_check.scriptPath, level,
                   problem->text);
    }
    g_check.output(problem->level == LEVEL_ERROR ? CHECK_ERROR : CHECK_WARNING,
                   problem->line, message, g_check.context);
}

/* Findings in the order of their lines (those without a line last), in
 * the order found where lines are equal. */
static void TellProblems(void)
{
    static int order[PROBLEM_MAX];
    int i, j, moving;
    char more[96];

    for (i = 0; i < g_check.kept; i++) {
        moving = i;
        for (j = i; j > 0; j--) {
            unsigned a = (unsigned)g_check.problems[order[j - 1]].line - 1u;
            unsigned b = (unsigned)g_check.problems[moving].line - 1u;
            if (a <= b)
                break;
            order[j] = order[j - 1];
        }
        order[j] = moving;
    }
    for (i = 0; i < g_check.kept; i++)
        TellProblem(&g_check.problems[order[i]]);
    if (g_check.errors + g_check.warnings > g_check.kept) {
        TextFormat(more, sizeof(more), "... and %d more findings",
                   g_check.errors + g_check.warnings - g_check.kept);
        TellInfo(more);
    }
}

static void TellSettings(const char *packageDir)
{
    const DriverInfo *info = &g_setup.driverInfo;
    const char *const driverValues[] = { info->mfg, info->mouseDriver, info->mouseInf,
                                         info->driverDate, info->ps2InfSection,
                                         info->serialInfSection, info->ps2Name,
                                         info->serialName, info->pnpId };
    char text[MESSAGE_MAX], disk[16];
    int i, d;

    if (g_check.shownDir[0] != '\0')
        TextFormat(text, sizeof(text), "Package            %s (to the setup: %s)",
                   g_check.shownDir, packageDir);
    else
        TextFormat(text, sizeof(text), "Package            %s", packageDir);
    TellInfo(text);
    TextFormat(text, sizeof(text), "Product name       %s", g_setup.productName);
    TellInfo(text);
    TextFormat(text, sizeof(text), "Caption            %s", g_setup.caption);
    TellInfo(text);
    TextFormat(text, sizeof(text), "Banner title       %s", g_setup.bannerTitle);
    TellInfo(text);
    if (g_setup.installDir[0] != '\0')
        TextFormat(text, sizeof(text), "Default directory  %s (with Windows in %s)",
                   g_setup.installDir, g_setup.windowsDir);
    else
        TextFormat(text, sizeof(text), "Default directory  none: targets shown under %s "
                   "(with Windows in %s)", CHOSEN_DIR, g_setup.windowsDir);
    TellInfo(text);
    TextFormat(text, sizeof(text), "Minimum space      %d KB", (int)g_setup.minimumSpaceKb);
    TellInfo(text);
    if (g_setup.ps2Only)
        TextFormat(text, sizeof(text), "Mouse              PS/2 only (PS2Only=%d): no mouse "
                   "type page", g_setup.ps2Only);
    else
        TextFormat(text, sizeof(text), "Mouse              %s proposed (DefaultSerialMouse=%d), "
                   "PS2Only=0", g_setup.serialMouse ? "serial" : "PS/2", g_setup.serialMouse);
    TellInfo(text);
    TextFormat(text, sizeof(text), "Logo               %s (OEM=%d)",
               g_setup.noLogo ? "left out" : "shown", g_setup.noLogo);
    TellInfo(text);
    for (i = 0; i < COUNT_OF(driverValues); i++) {
        TextFormat(text, sizeof(text), "%-18s %s", startupKeys[1 + i], driverValues[i]);
        TellInfo(text);
    }
    for (d = 0; d < DIRECTORY_KEYS; d++) {
        if (g_setup.directoryNames[d][0] == '\0')
            continue;
        TextFormat(text, sizeof(text), "%-18s %s", directoryKeys[d], g_setup.directoryNames[d]);
        TellInfo(text);
    }
    TextFormat(text, sizeof(text), "Disks              %d", (int)g_setup.diskCount);
    TellInfo(text);
    for (d = 0; d < g_setup.diskCount; d++) {
        DiskName(d, disk, sizeof(disk));
        TextFormat(text, sizeof(text), "  %-16s %d files", disk, (int)g_setup.fileCounts[d]);
        TellInfo(text);
    }
    /* what the setup does with the disks when it is started from a floppy */
    for (d = 1; d < g_setup.diskCount; d++) {
        DiskName(d, disk, sizeof(disk));
        TextFormat(text, sizeof(text), "  From a floppy drive, Setup asks for %s as \"Please insert "
                   "the disk labelled '%s' into drive A:.\"", disk,
                   g_setup.diskLabels[d][0] != '\0' ? g_setup.diskLabels[d] : disk);
        TellInfo(text);
    }
}

/* The package folder as a full path without a closing "\"; 0 when it
 * cannot be had. */
static int FullPackageDir(const char *packageDir, char *full, int size)
{
    int length;

    if (!FullPath(full, size, packageDir))
        return 0;
    length = lstrlenA(full);
    while (length > 2 && full[length - 1] == '\\')
        full[--length] = '\0';
    return 1;
}

static int Unreadable(const char *format, const char *text)
{
    char message[MESSAGE_MAX], piece[TEXT_MAX];

    TEXT_COPY(piece, text);
    TextFormat(message, sizeof(message), format, piece);
    g_check.output(CHECK_FAILURE, 0, message, g_check.context);
    return CHECK_UNREADABLE;
}

/* Loads the script with the loader's notes sent to the check. */
static int LoadScript(const char *packageDir)
{
    char programPath[MAX_PATH];
    HINSTANCE instance = g_setup.instance;
    int loaded;

    InitSetupState();
    g_setup.instance = instance != NULL ? instance : GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.windowsDir, SAMPLE_WINDOWS_DIR);
    if (!PathJoin(programPath, sizeof(programPath), packageDir, "SETUP.EXE"))
        return 0;
    g_scriptNoteHook = OnLoaderNote;
    loaded = LoadSetupScriptFrom(programPath);
    g_scriptNoteHook = NULL;
    return loaded;
}

static int RecordCount(void)
{
    int records = 0, disk;

    for (disk = 0; disk < g_setup.diskCount; disk++)
        records += g_setup.fileCounts[disk];
    return records;
}

static void CheckLoadedPackage(const char *directory)
{
    char text[MESSAGE_MAX];
    int records;

    TellSettings(directory);
    CheckNames();
    CheckSettings();
    if (g_setup.installDir[0] == '\0')
        TEXT_COPY(g_setup.installDir, CHOSEN_DIR);
    IndexRecordLines();
    CheckCountWidths();
    CheckCounts();
    CheckContainment(OnContainmentFault, NULL);
    TellFileTable();
    records = RecordCount();
    if (records == 0) {
        TEXT_COPY(text, "the package installs no file: no disk is labelled in [DiskLabel], "
                  "or its count is 0. Setup: copies nothing, and registers the components and "
                  "the mouse driver all the same.");
        ERROR_AT(LineOf(IDS_FILE_COUNTS_SECTION, NULL) != 0
                 ? LineOf(IDS_FILE_COUNTS_SECTION, NULL) : SectionLine(IDS_DISK_LABEL_SECTION),
                 text);
    }
    CheckPictures();
    CheckDiskSizes();
    CheckSameTargets(records);
    CheckOwnFiles(records);
    CheckComponents(records);
    FreeRecordLines();
    FreeFileTable();
}

int CheckPackage(const char *packageDir, int options, CheckOutput output, void *context)
{
    return CheckPackageShown(packageDir, NULL, options, output, context);
}

int CheckPackageShown(const char *packageDir, const char *shownDir, int options,
                      CheckOutput output, void *context)
{
    char directory[MAX_PATH], summary[128];
    int result, length;

    FillBytes(&g_check, 0, sizeof(g_check));
    LoadKnownNames();
    g_check.output = output;
    g_check.context = context;
    if (shownDir != NULL && !TEXT_COPY(g_check.shownDir, shownDir))
        return Unreadable("the package folder's path is too long: %s", shownDir);
    length = lstrlenA(g_check.shownDir);
    while (length > 1 && g_check.shownDir[length - 1] == '/')
        g_check.shownDir[--length] = '\0';
    if (!FullPackageDir(packageDir, directory, sizeof(directory)))
        return Unreadable("cannot make a full path of the package folder %s", packageDir);
    TEXT_COPY(g_check.packageDir, directory);
    if (lstrlenA(directory) >= DIR_MAX)
        return Unreadable("the package folder's path is longer than the setup's 79 "
                          "characters: %s", directory);
    if (!PathJoin(g_check.scriptPath, sizeof(g_check.scriptPath), directory, "SETUP.INF"))
        return Unreadable("the script's path is too long: %s", directory);
    if (!LoadScriptLines(g_check.scriptPath, &g_check.script))
        return Unreadable("cannot read %s", g_check.scriptPath);
    CheckEncoding();
    if (g_check.script.encoding != SCRIPT_UTF16) {
        if (!LoadScript(directory)) {
            FreeScriptLines(&g_check.script);
            return Unreadable("the setup cannot load %s", g_check.scriptPath);
        }
        CheckLoadedPackage(directory);
    }
    FreeScriptLines(&g_check.script);

    TellInfo("");
    TellProblems();
    TextFormat(summary, sizeof(summary), "%d error%s, %d warning%s.", g_check.errors,
               g_check.errors == 1 ? "" : "s", g_check.warnings, g_check.warnings == 1 ? "" : "s");
    TellInfo(summary);
    result = g_check.errors > 0 ? CHECK_PROBLEMS : CHECK_CLEAN;
    if ((options & CHECK_STRICT) && g_check.warnings > 0)
        result = CHECK_PROBLEMS;
    return result;
}
