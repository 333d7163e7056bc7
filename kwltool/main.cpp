// kwltool: checks, sorts and queries keyword lists with the add-in's own code.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "cache/listnames.h"
#include "cache/profilesection.h"
#include "common/text.h"
#include "kwltool/kwlcheck.h"
#include "kwltool/kwlimport.h"
#include "kwltool/kwlsort.h"
#include "kwltool/lookup.h"
#include "shell/host/settings.h"

namespace {

int Usage()
{
    fputs("usage:\n"
          "  kwltool check [--lists \"a,b,default\" | --ini FILE [--assembler-ini FILE]] FILE.kwl...\n"
          "  kwltool sort IN.kwl [-o OUT.kwl] [--verbose]\n"
          "  kwltool import SOURCE... --title TEXT --description TEXT [-o OUT.kwl]\n"
          "                 [--syntax masm|fasm|nasm]\n"
          "                 (SOURCE: an HTML Help index .hhk, an include file .inc, .asm or .mac,\n"
          "                 a C header .h; an include file's syntax is read from it unless given)\n"
          "  kwltool lookup --ini FILE [--assembler-ini FILE] --addin-dir DIR\n"
          "                 [--tools-dir DIR] [--help-dir DIR] [--app-dir DIR] (WORD | --words FILE)\n",
          stderr);
    return 2;
}

bool ReadWhole(const char* path, std::string& bytes)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

// The rewritten list to the file, or to standard output without one.
int WriteOutput(const char* output, const std::string& text)
{
    FILE* out = output ? fopen(output, "wb") : stdout;
    if (out == nullptr) {
        fprintf(stderr, "%s: cannot write the file\n", output);
        return 1;
    }
    bool ok = fwrite(text.data(), 1, text.size(), out) == text.size();
    if (output)
        ok = fclose(out) == 0 && ok;
    else
        fflush(out);
    return ok ? 0 : 1;
}

// KeywordLists of the add-in's section of a settings file, read as the profile
// functions read it; false when the file has none or holds it in a form that
// only they can settle (blanks or quotes around it).
bool ReadEnabledLists(const char* path, std::string& value)
{
    std::string text, block;
    if (!ReadWhole(path, text))
        return false;
    bool inside = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        size_t first = line.find_first_not_of(" \t");
        size_t last = line.find_last_not_of(" \t\r");
        line = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
        if (!line.empty() && line[0] == '[') {
            std::string name = line.substr(1, line.find(']') - 1);
            StrLower(&name[0]);
            std::string section = SETTINGS_SECTION;
            inside = name == StrLower(&section[0]);
        } else if (inside && !line.empty() && line[0] != ';') {
            block += line + '\0';
        }
    }
    block += '\0';
    const char* found = nullptr;
    uint32_t length = 0;
    if (FindSectionValue(block.data(), static_cast<uint32_t>(block.size()), KEY_LISTS, EnabledListsSize, &found,
                         &length) != SectionValue::Found)
        return false;
    value.assign(found, length);
    return true;
}

// The list name of a file: its name without the directory and the last
// extension, lowercased as the cache names lists.
std::string ListNameOf(const char* path)
{
    std::string name = path;
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    StrLower(&name[0]);
    return name;
}

// Which of the files' keywords several enabled lists hold, and which list a
// lookup answers each from; an enabled name that finds no file is an error.
// Returns the errors.
unsigned ReportSharedKeywords(const std::string& order, const std::vector<std::string>& paths,
                              const std::vector<CheckResult>& results)
{
    bool withDefault = false;
    std::vector<std::string> names = EnabledListNames(order, &withDefault);
    std::vector<const std::vector<std::string>*> lists;
    std::vector<std::string> shownNames, fileNames;
    for (const std::string& path : paths)
        fileNames.push_back(ListNameOf(path.c_str()));
    unsigned errors = 0;
    for (const std::string& name : names) {
        std::string unfound = UnfoundListReason(name, fileNames);
        if (!unfound.empty()) {
            printf("lists: error: %s\n", unfound.c_str());
            ++errors;
            continue;
        }
        size_t file = 0;
        while (ListNameOf(paths[file].c_str()) != name)
            ++file;
        lists.push_back(&results[file].Names);
        shownNames.push_back(name);
    }
    printf("lists: enabled in this order: %s\n", order.c_str());
    std::vector<SharedKeyword> shared = FindSharedKeywords(lists);
    for (const SharedKeyword& keyword : shared) {
        std::string holders;
        for (uint32_t list : keyword.Lists)
            holders += (holders.empty() ? "" : ", ") + shownNames[list];
        printf("lists: \"%s\" held by %s: help opens from %s, the last of them\n", keyword.Keyword.c_str(),
               holders.c_str(), shownNames[keyword.Lists.back()].c_str());
    }
    printf("lists: %u keywords held by more than one of %u enabled lists%s\n", static_cast<unsigned>(shared.size()),
           static_cast<unsigned>(lists.size()), withDefault ? " (and default for every other word)" : "");
    return errors;
}

int Check(int argc, char** argv)
{
    std::string order;
    const char* ini = nullptr;
    const char* assemblerIni = nullptr;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        bool value = i + 1 < argc;
        if (strcmp(argv[i], "--lists") == 0 && value)
            order = argv[++i];
        else if (strcmp(argv[i], "--ini") == 0 && value)
            ini = argv[++i];
        else if (strcmp(argv[i], "--assembler-ini") == 0 && value)
            assemblerIni = argv[++i];
        else
            paths.push_back(argv[i]);
    }
    if (paths.empty() || (!order.empty() && ini != nullptr) || (assemblerIni != nullptr && ini == nullptr))
        return Usage();
    // The settings file in force, as the add-in settles it: the assembler's
    // when it has KeywordLists, else the host's.
    if (ini != nullptr) {
        const char* inForce = assemblerIni != nullptr && ReadEnabledLists(assemblerIni, order) ? assemblerIni : ini;
        if (inForce == ini && !ReadEnabledLists(ini, order)) {
            fprintf(stderr, "no plain KeywordLists in the section [" SETTINGS_SECTION "] of the settings given\n");
            return 2;
        }
        printf("lists: the settings in force: %s\n", inForce);
    }

    unsigned failing = 0, errors = 0, unreachable = 0, warnings = 0;
    std::vector<CheckResult> results(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        const char* path = paths[i].c_str();
        std::string bytes;
        if (!ReadWhole(path, bytes)) {
            printf("%s: error: cannot read the file\n", path);
            ++failing;
            ++errors;
            continue;
        }
        CheckResult& result = results[i];
        result = CheckKeywordList(bytes.data(), bytes.size());
        for (const Problem& p : result.Problems)
            printf("%s:%u: %s: %s\n", path, p.Line, SeverityName(p.Level), p.Text.c_str());
        std::string name = ListNameOf(path);
        bool nameable = SettingsCanName(name.data(), static_cast<uint32_t>(name.size()));
        if (!nameable)
            printf("%s: error: the settings can't name this list (a \",\" or \"=\" in its name, a \"[\" first "
                   "or a blank at either end): the dialog doesn't offer it and it can't be enabled\n",
                   path);
        unsigned e = result.Count(Severity::BuildFails) + !nameable, u = result.Count(Severity::Unreachable),
                 w = result.Count(Severity::Warning);
        printf("%s: %u keywords, %u errors, %u unreachable, %u warnings\n", path, result.Keywords, e, u, w);
        errors += e;
        unreachable += u;
        warnings += w;
        failing += !result.Clean() || !nameable;
    }
    if (!order.empty()) {
        unsigned unfound = ReportSharedKeywords(order, paths, results);
        errors += unfound;
        failing += unfound;
    }
    printf("checked %u files: %u errors, %u unreachable, %u warnings\n", static_cast<unsigned>(paths.size()), errors,
           unreachable, warnings);
    return failing ? 1 : 0;
}

int Sort(int argc, char** argv)
{
    const char* input = nullptr;
    const char* output = nullptr;
    bool verbose = false;
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            output = argv[++i];
        else if (strcmp(argv[i], "--verbose") == 0)
            verbose = true;
        else if (input == nullptr)
            input = argv[i];
        else
            return Usage();
    }
    if (input == nullptr)
        return Usage();
    std::string bytes;
    if (!ReadWhole(input, bytes)) {
        fprintf(stderr, "%s: cannot read the file\n", input);
        return 1;
    }
    SortResult result = SortKeywordList(bytes.data(), bytes.size());
    if (!result.Ok) {
        fprintf(stderr, "%s: error: no title and description line: nothing to sort\n", input);
        return 1;
    }
    if (verbose) {
        for (const SortNote& note : result.Changes)
            fprintf(stderr, "%s: %s\n", input, note.Text.c_str());
    } else {
        for (const std::string& line : SortSummary(result.Changes))
            fprintf(stderr, "%s: %s\n", input, line.c_str());
    }
    return WriteOutput(output, result.Output);
}

int Import(int argc, char** argv)
{
    const char* output = nullptr;
    const char* title = nullptr;
    const char* description = nullptr;
    const char* syntaxName = nullptr;
    std::vector<const char*> sources;
    for (int i = 0; i < argc; ++i) {
        bool value = i + 1 < argc;
        if (strcmp(argv[i], "-o") == 0 && value)
            output = argv[++i];
        else if (strcmp(argv[i], "--syntax") == 0 && value)
            syntaxName = argv[++i];
        else if (strcmp(argv[i], "--title") == 0 && value)
            title = argv[++i];
        else if (strcmp(argv[i], "--description") == 0 && value)
            description = argv[++i];
        else
            sources.push_back(argv[i]);
    }
    // The list's first two lines have no default a user would want: say which is missing.
    const char* missing = sources.empty()          ? "no SOURCE file given"
                          : title == nullptr       ? "--title TEXT is missing (the list's first line)"
                          : description == nullptr ? "--description TEXT is missing (the list's second line)"
                                                   : nullptr;
    AsmSyntax given = AsmSyntax::Masm;
    if (missing == nullptr && syntaxName != nullptr && !AsmSyntaxOfName(syntaxName, &given))
        missing = "--syntax takes masm, fasm or nasm";
    if (missing != nullptr) {
        fprintf(stderr, "import: %s\n", missing);
        return Usage();
    }
    std::vector<ImportedName> names;
    for (const char* path : sources) {
        ImportSource source;
        std::string bytes;
        if (!SourceOfPath(path, &source)) {
            fprintf(stderr, "%s: not a source kwltool reads (.hhk, .inc, .asm or .mac, .h or .hpp)\n", path);
            return 1;
        }
        if (!ReadWhole(path, bytes)) {
            fprintf(stderr, "%s: cannot read the file\n", path);
            return 1;
        }
        // Only an include file is read by its syntax.
        AsmSyntax syntax = syntaxName != nullptr || source != ImportSource::AssemblerInclude
                               ? given
                               : GuessAsmSyntax(bytes.data(), bytes.size());
        std::vector<ImportedName> found = ImportNames(source, bytes.data(), bytes.size(), syntax);
        if (source == ImportSource::AssemblerInclude)
            fprintf(stderr, "%s: %u names, read as %s (%s)\n", path, static_cast<unsigned>(found.size()),
                    AsmSyntaxName(syntax), syntaxName != nullptr ? "as given" : "from its lines");
        else
            fprintf(stderr, "%s: %u names\n", path, static_cast<unsigned>(found.size()));
        names.insert(names.end(), found.begin(), found.end());
    }
    ImportResult result = WriteImportedList(title, description, names);
    for (const std::string& skipped : result.Skipped)
        fprintf(stderr, "left out: %s\n", skipped.c_str());
    if (!result.Error.empty()) {
        fprintf(stderr, "error: %s\n", result.Error.c_str());
        return 1;
    }
    fprintf(stderr, "%u keywords written\n", static_cast<unsigned>(result.Kept));
    return WriteOutput(output, result.Output);
}

}  // namespace

#ifdef _WIN32
// Windows hands a program its command line unexpanded: "check *.kwl" in a
// command window must still mean every list in the folder.
int _dowildcard = -1;
#endif

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::string command = argv[1];
    if (command == "check")
        return Check(argc - 2, argv + 2);
    if (command == "sort")
        return Sort(argc - 2, argv + 2);
    if (command == "import")
        return Import(argc - 2, argv + 2);
    if (command == "lookup")
        return RunLookup(argc - 2, argv + 2);
    return Usage();
}
