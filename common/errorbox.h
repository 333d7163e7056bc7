// The add-in's error boxes: no owner, the platform's default caption, OK only.
#pragma once
#include <stdint.h>

// Reports a system error code in words (0: the calling thread's last error).
// Shown whatever the option word says.
void ShowError(uint32_t code);

// Shows a failure report unless the user asked for quiet (OptQuiet).
void ShowFailure(const char* text);
