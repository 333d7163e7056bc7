// Keyword lists made from the sources a list author already has: the help
// project's index, the assembler's include files and C headers. Pure text
// work on the file's bytes, so the native build runs it too.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

enum class ImportSource {
    HelpIndex,         // an HTML Help index (.hhk, a sitemap)
    AssemblerInclude,  // macro, structure and constant names, in one of three syntaxes
    CHeader,           // functions, structures, enum members and #define names
};

// How an assembler include file writes its definitions: "NAME MACRO" and
// "NAME STRUCT", "macro NAME { }" and "struct NAME", "%macro NAME n" and
// "struc NAME".
enum class AsmSyntax { Masm, Fasm, Nasm };

const char* AsmSyntaxName(AsmSyntax syntax);
bool AsmSyntaxOfName(const char* name, AsmSyntax* syntax);

// The syntax the file's own lines show most of; MASM when none shows any.
AsmSyntax GuessAsmSyntax(const char* text, size_t size);

struct ImportedName {
    std::string Keyword;
    std::string Alias;  // what help opens for in place of the keyword; empty for the keyword itself
};

// The source a file's extension names: .hhk, .inc, .asm or .mac, .h or .hpp.
bool SourceOfPath(const std::string& path, ImportSource* source);

// syntax is read for an assembler include file only.
std::vector<ImportedName> ImportNames(ImportSource source, const char* text, size_t size,
                                      AsmSyntax syntax = AsmSyntax::Masm);

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
