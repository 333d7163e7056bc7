// Cutting ANSI text (code page 936 and the like) without splitting a
// double-byte character.
#pragma once
#include <stdint.h>

// The longest prefix of the length bytes at text that fits room bytes and
// ends on a character boundary: a lead byte takes the byte after it along,
// when there is one within length.
uint32_t CutLength(const char* text, uint32_t length, uint32_t room);

// Appends more to the NUL-terminated text in size bytes, as much of it as fits
// without splitting a character.
void AppendCut(char* text, uint32_t size, const char* more);
