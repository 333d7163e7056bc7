// The host stand-in's actions, one per line, so that a test or the demo can
// play a user at the keyboard without a display.
#pragma once
#include <string>

#include "testhost/host.h"

// Runs one action; false for an action the host does not know or cannot do.
// Actions (positions are the editor's character positions):
//   open FILE                  load a source file into the editor
//   text TEXT                  set the editor's text (\n, \t, \\ escapes)
//   caret POS                  put the caret at POS
//   at TEXT [OFFSET [N]]       caret at the N-th occurrence of TEXT, plus OFFSET
//   select FIRST LAST          select a range (LAST below FIRST as given)
//   select-text TEXT [N]       select the N-th occurrence of TEXT
//   wordbreak punctuation|blanks  how the editor breaks words: at punctuation too, or at blanks only
//   f1                         press F1: the host's help command through its accelerator
//   help HIGH                  WM_COMMAND 41902 with HIGH in the high word
//   menu [HIGH]                the add-in's menu command, high word 0 as a click gives
//   reload                     HM_RELOAD to DllProc
//   close                      WM_CLOSE to DllProc, the host staying up
//   assembler NAME|none        change the current assembler in place
//   ini FILE SECTION KEY VALUE write a profile string (FILE relative to the app dir)
//   ini-delete FILE SECTION    delete a whole section
//   write FILE TEXT            write a file (relative to the app dir; \n, \t, \\ escapes)
//   copy FROM TO               copy a file, its last-write time with it
//   files PATTERN              list the names of the files that match (relative to the app dir)
//   popup N|escape|hold [ACTION]  what the next popup menu gets: its N-th item chosen, Escape, or
//                              nothing (it stays open, for a picture); ACTION is run while it is open
//   show                       show the main window and report where it is
//   menuitem                   report the add-in's menu item and submenu 8's item count
//   install OPTIONS            call InstallDll again with another option word
//   echo TEXT, wait MS, quit
bool RunAction(Host& host, const std::string& line);
