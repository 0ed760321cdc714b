// Compiled for Windows by the cross compiler (see CMakeLists.txt), with optimisation so that the
// comparison below folds away: the build fails when the registry layer's root key for 0x80000002
// is not the handle the SDK defines for HKEY_LOCAL_MACHINE (sign-extended on 64-bit Windows).
#include "win32registry.h"

[[gnu::error("the registry layer's HKEY_LOCAL_MACHINE is not the SDK's")]] void wrongLocalMachineKey();

void checkLocalMachineKey()
{
    if (tamsel::predefinedKey(0x80000002u) != HKEY_LOCAL_MACHINE)
        wrongLocalMachineKey();
}
