/* SETUPCHK.EXE PACKAGE_DIR [--strict] [--quiet]: checks a package
 * before it ships. */
#include "setupchk.h"

#include <windows.h>

int main(void)
{
    return RunPackageCheck(GetCommandLineA());
}
