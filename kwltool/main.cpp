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
          "  kwltool sort IN.kwl [-o OUT.kwl]\n"
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
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            output = argv[++i];
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
    for (const std::string& warning : result.Warnings)
        fprintf(stderr, "%s: warning: %s\n", input, warning.c_str());
    if (!result.Ok)
        return 1;
    FILE* out = output ? fopen(output, "wb") : stdout;
    if (out == nullptr) {
        fprintf(stderr, "%s: cannot write the file\n", output);
        return 1;
    }
    bool ok = fwrite(result.Output.data(), 1, result.Output.size(), out) == result.Output.size();
    if (output)
        ok = fclose(out) == 0 && ok;
    else
        fflush(out);
    return ok ? 0 : 1;
}

}  // namespace

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
