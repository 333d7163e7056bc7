// The configuration dialog's state: process-wide, touched only by the
// dialog's code (and its tests) on the host's user-interface thread, where one
// modal dialog runs at a time. DialogIni is the INI file being edited, empty
// until the dialog first chooses one and kept between openings; DialogEntry is
// the combo entry whose file it names. DialogModified is 1 while the dialog
// holds changes that are not saved; DialogFilling is 1 while the program itself
// fills controls, whose changes are then not the user's. Saving is true while a
// save runs: its reopen of the cache may show boxes of its own, with no owner,
// whose loops let the dialog go on, so changes made then are kept but nothing
// may save, load or end the dialog inside it. ViewProc is the list view's own
// procedure, which the view's order keys pass every other message on to.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "shell/settings.h"

inline char DialogIni[PathBufferSize];
inline int32_t DialogEntry;
inline uint32_t DialogModified;
inline uint32_t DialogFilling;
inline bool Saving;
inline WNDPROC ViewProc;
