// Keyword lists made from the sources a list author already has: the help
// project's index, the assembler's include files and C headers. Pure text
// work on the file's bytes, so the native build runs it too.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

enum class ImportSource {
    HelpIndex,         // an HTML Help index (.hhk, a sitemap)
    AssemblerInclude,  // PROTO, EQU, TEXTEQU, MACRO and STRUCT names
    CHeader,           // function declarations and #define names
};

struct ImportedName {
    std::string Keyword;
    std::string Alias;  // what help opens for in place of the keyword; empty for the keyword itself
};

// The source a file's extension names: .hhk, .inc or .asm, .h or .hpp.
bool SourceOfPath(const std::string& path, ImportSource* source);

std::vector<ImportedName> ImportNames(ImportSource source, const char* text, size_t size);

struct ImportResult {
    std::string Output;                // the list, sorted, with CR LF line ends
    std::vector<std::string> Skipped;  // names left out, each with the reason
    size_t Kept = 0;                   // keyword lines written
    std::string Error;                 // set when no list could be written
};

// A list that kwltool check passes: names help could never find are left out,
// aliases it could not use are dropped, and the rest is sorted as kwltool sort
// sorts, duplicates kept once.
ImportResult WriteImportedList(const std::string& title, const std::string& description,
                               const std::vector<ImportedName>& names);
