/* Where every part of the check reports: a line of the settings or the
 * file table, and a finding kept for the end. */
#include "check_run.h"
#include "text.h"

void TellInfo(const char *text)
{
    g_check.output(CHECK_INFO, 0, text, g_check.context);
}

/* text: "what. Setup: what it does." */
void AddProblem(int line, int level, const char *text)
{
    Problem *problem;

    if (level == LEVEL_ERROR)
        g_check.errors++;
    else
        g_check.warnings++;
    if (g_check.kept >= PROBLEM_MAX)
        return;
    problem = &g_check.problems[g_check.kept++];
    problem->line = line;
    problem->level = level;
    TEXT_COPY(problem->text, text);
}
