// The cache and the help launch are Win32 code: on other systems lookup is
// not available, and says so.
#include <stdio.h>

#include "kwltool/lookup.h"

int RunLookup(int, char**)
{
    fputs("kwltool lookup needs the Windows build (run kwltool.exe, e.g. under Wine)\n", stderr);
    return 2;
}
