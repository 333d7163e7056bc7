// A keyword list as the configuration dialog shows it.
#pragma once
#include <stdint.h>

constexpr uint32_t ListRecordSize = 520;
constexpr uint32_t HelpTargetSize = 260;  // the terminating zero included

// One fixed 520-byte block: five pointers into the text area that follows,
// which holds path, name, title and description (each NUL-terminated), and
// then the help-target buffer, at least HelpTargetSize bytes, to the block's end.
struct ListRecord {
    char* Name;         // file name before its extension, in the case found on disk
    char* Path;         // add-in directory, "\", file name
    char* Title;        // line 1 of the file
    char* Description;  // line 2 of the file
    char* HelpTarget;   // filled and edited by the dialog
    char Text[ListRecordSize - 5 * sizeof(char*)];
};
static_assert(sizeof(ListRecord) == ListRecordSize, "a list record is one 520-byte block");

// Room for path, name, title and description with their four NULs.
constexpr uint32_t ListHeaderRoom = sizeof(ListRecord::Text) - HelpTargetSize;

// Makes the record of a ".kwl" file (a name without directory) in the add-in
// directory. Never null unless the heap is exhausted: a file that cannot be
// read still gets a record, with an empty title and description.
ListRecord* ReadListHeader(const char* fileName);
void FreeListRecord(ListRecord* record);
