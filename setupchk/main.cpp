/* SETUPCHK.EXE PACKAGE_DIR [--strict] [--quiet]: checks a package
 * before it ships. */
#include "setupchk.h"

int main(int argc, char **argv)
{
    return RunPackageCheck(argc, argv);
}
