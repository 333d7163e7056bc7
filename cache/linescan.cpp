#include "cache/linescan.h"

bool ScanLine(char* line, uint32_t unread, uint32_t* length)
{
    for (uint32_t i = 0; i < unread; ++i) {
        if (line[i] == '=') {
            line[i] = 0;
        } else if (line[i] == '\r' && i + 1 < unread) {
            line[i] = 0;
            *length = i;
            return true;
        }
    }
    return false;
}
