// kwltool: checks, sorts and queries keyword lists with the add-in's own code.
#include <stdio.h>
#include <string.h>

#include <string>

#include "kwltool/kwlcheck.h"
#include "kwltool/kwlsort.h"
#include "kwltool/lookup.h"

namespace {

int Usage()
{
    fputs("usage:\n"
          "  kwltool check FILE.kwl...\n"
          "  kwltool sort IN.kwl [-o OUT.kwl] [--verbose]\n"
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

int Check(int count, char** paths)
{
    unsigned failing = 0, errors = 0, unreachable = 0, warnings = 0;
    for (int i = 0; i < count; ++i) {
        std::string bytes;
        if (!ReadWhole(paths[i], bytes)) {
            printf("%s: error: cannot read the file\n", paths[i]);
            ++failing;
            ++errors;
            continue;
        }
        CheckResult result = CheckKeywordList(bytes.data(), bytes.size());
        for (const Problem& p : result.Problems)
            printf("%s:%u: %s: %s\n", paths[i], p.Line, SeverityName(p.Level), p.Text.c_str());
        unsigned e = result.Count(Severity::BuildFails), u = result.Count(Severity::Unreachable),
                 w = result.Count(Severity::Warning);
        printf("%s: %u keywords, %u errors, %u unreachable, %u warnings\n", paths[i], result.Keywords, e, u, w);
        errors += e;
        unreachable += u;
        warnings += w;
        failing += !result.Clean();
    }
    printf("checked %d files: %u errors, %u unreachable, %u warnings\n", count, errors, unreachable, warnings);
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

} // namespace

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
    if (command == "check" && argc > 2)
        return Check(argc - 2, argv + 2);
    if (command == "sort")
        return Sort(argc - 2, argv + 2);
    if (command == "lookup")
        return RunLookup(argc - 2, argv + 2);
    return Usage();
}
