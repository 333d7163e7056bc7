// The scan step of the keyword-list line reader, over bytes alone (no Win32),
// so it can be tested and fuzzed on its own.
#pragma once
#include <stdint.h>

// Scans the unread bytes at line. Every "=" met becomes a NUL. The first CR
// that is not the last unread byte ends the line: it becomes a NUL, *length
// gets the bytes before it, and the result is true. False when the unread
// bytes hold no line end yet (a CR on the last byte may be a CR LF cut by the
// window's edge). Never looks past line + unread.
bool ScanLine(char* line, uint32_t unread, uint32_t* length);

// The same scan; on a line end *keyword also gets the length of the line's
// first string, what StrLen of line gives afterwards: the bytes before its
// first NUL (an "=", a NUL byte of the file, or the CR), at most *length.
bool ScanLine(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword);

// The same scan, sixteen bytes a step with SSE2: only on a processor that has it.
bool ScanLineSse2(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword);
