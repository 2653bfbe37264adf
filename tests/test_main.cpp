// The test program: GoogleTest's runner, with the setup state prepared
// the way WinMain prepares it.
#include <gtest/gtest.h>

#include "setup_state.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    return RUN_ALL_TESTS();
}
