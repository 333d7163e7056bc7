// Placeholder until the help request is built: nothing is captured.
#include "help/help.h"

char* GetKeyword(char*) { return nullptr; }
uint32_t ShowHelp(const char*, const char*) { return 1; }
