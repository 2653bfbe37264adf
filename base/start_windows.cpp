/* The start of a Windows program: WinMain with the arguments and the
 * show command that the program was started with. */
#include "command_line.h"
#include "start.h"

#include <windows.h>

extern "C" void WinMainCRTStartup(void)
{
    STARTUPINFOA startup;
    int show = SW_SHOWDEFAULT;

    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
        show = startup.wShowWindow;
    RunConstructors();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL,
                              (LPSTR)CommandLineArguments(GetCommandLineA()), show));
}
