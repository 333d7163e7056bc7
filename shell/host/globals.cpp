#include "shell/host/tembril.h"

HINSTANCE ModuleHandle;
HostHandlesRecord* HostHandles;
HostProcsRecord* HostProcs;
HostDataRecord* HostData;
char KeywordBuffer[KeywordBufferSize];
