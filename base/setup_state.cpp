/* The setup state, the string loader and its message box. */
#include "setup_state.h"
#include "text.h"

SetupState g_setup;

void InitSetupState(void)
{
    FillBytes(&g_setup, 0, sizeof(g_setup));
    g_setup.serialMouse = 1;
    g_setup.backEnabled = 1;
    g_setup.restartAfterFinish = 1;
    g_setup.dissolvePending = 1;
}

/* Four buffers used in turn, so a caller may hold up to four texts. */
static char textRing[4][TEXT_MAX];
static int textRingPos;

const char *LoadText(UINT id)
{
    char *buffer;

    if (textRingPos < 3)
        textRingPos++;
    else
        textRingPos = 0;
    buffer = textRing[textRingPos];
    if (LoadStringA(g_setup.instance, (WORD)id, buffer, TEXT_MAX) == 0)
        return NULL;
    return buffer;
}

int ShowTextMessage(HWND owner, UINT textId, const char *caption, UINT style)
{
    const char *format = LoadText(textId);
    char text[2 * TEXT_MAX];

    TextFormat(text, sizeof(text), format != NULL ? format : "", g_setup.productName);
    return MessageBoxA(owner, text, caption, style);
}

void NoteFailure(UINT textId, const char *detail)
{
    const char *format;

    if (g_setup.failure[0] != '\0')
        return;
    format = LoadText(textId);
    if (!TextFormat(g_setup.failure, sizeof(g_setup.failure), format != NULL ? format : "%s",
                    detail != NULL ? detail : ""))
        g_setup.failure[sizeof(g_setup.failure) - 1] = '\0';
}
