// kwltool lookup: the add-in's own cache code, opened on the settings given,
// and a report of what a help request for the word would do. Nothing opens.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "cache/cache.h"
#include "common/text.h"
#include "help/expand.h"
#include "help/showhelp.h"
#include "kwltool/lookup.h"
#include "shell/tembril.h"

namespace {

struct Options {
    const char* Ini = nullptr;
    const char* AssemblerIni = nullptr;
    const char* AddinDir = nullptr;
    const char* ToolsDir = "";
    const char* HelpDir = "";
    const char* AppDir = "";
    const char* Word = nullptr;
    const char* Words = nullptr;  // a file of words, one a line: one tab-separated line each
};

bool Parse(int argc, char** argv, Options& o)
{
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        const char** target = nullptr;
        if (strcmp(a, "--ini") == 0)
            target = &o.Ini;
        else if (strcmp(a, "--assembler-ini") == 0)
            target = &o.AssemblerIni;
        else if (strcmp(a, "--addin-dir") == 0)
            target = &o.AddinDir;
        else if (strcmp(a, "--tools-dir") == 0)
            target = &o.ToolsDir;
        else if (strcmp(a, "--help-dir") == 0)
            target = &o.HelpDir;
        else if (strcmp(a, "--app-dir") == 0)
            target = &o.AppDir;
        else if (strcmp(a, "--words") == 0)
            target = &o.Words;
        if (target != nullptr) {
            if (i + 1 >= argc)
                return false;
            *target = argv[++i];
        } else if (o.Word == nullptr) {
            o.Word = a;
        } else {
            return false;
        }
    }
    return o.Ini != nullptr && o.AddinDir != nullptr && (o.Word != nullptr) != (o.Words != nullptr);
}

const char* OpenerName(HelpOpener opener)
{
    switch (opener) {
    case HelpOpener::Help2Viewer:
        return "HTML Help 2: H2Viewer.exe from the add-in directory";
    case HelpOpener::Shell:
        return "the shell's default action for the URL (ShellExecute)";
    case HelpOpener::NotSet:
        return "none: the box \"help file not set\" (hidden when quiet)";
    case HelpOpener::NoExtension:
        return "none: the box \"file name has no extension\" (always shown)";
    case HelpOpener::WinHelp:
        return "WinHelp, keyword lookup";
    case HelpOpener::Program:
        return "the program, its own quoted path first, then the arguments";
    case HelpOpener::HtmlHelp:
        return "HTML Help (hhctrl.ocx), keyword lookup";
    case HelpOpener::UnknownExtension:
        return "none: the box \"unknown extension\" (hidden when quiet)";
    }
    return "?";
}

// The list indexes of every entry holding word, in the cache's order: the
// first is the one a lookup takes.
std::vector<uint32_t> ListsHolding(const char* word)
{
    std::vector<uint32_t> lists(64);
    uint32_t count = CacheListsHolding(word, lists.data(), static_cast<uint32_t>(lists.size()));
    lists.resize(count < lists.size() ? count : lists.size());
    return lists;
}

// One line per word: word, winning list ("-" for none), alias ("-" for none),
// help target, separated by tabs; the word as a help request would hold it.
int LookupWords(const char* path)
{
    FILE* in = fopen(path, "rb");
    if (in == nullptr) {
        fprintf(stderr, "%s: cannot read the file\n", path);
        return 2;
    }
    char line[4096];
    while (fgets(line, sizeof line, in) != nullptr) {
        line[strcspn(line, "\r\n")] = 0;
        char word[KeywordBufferSize];
        if (StrLen(line) >= sizeof word)
            continue;
        TrimLeft(line, word);
        StrLower(word);
        char buffer[KeywordBufferSize];
        lstrcpynA(buffer, word, sizeof buffer);
        const char* target = word[0] != 0 ? LookupKeyword(buffer) : nullptr;
        int row = target != nullptr ? CacheRowOf(target) : -1;
        printf("%s\t%s\t%s\t%s\n", word, row >= 0 ? CacheListName(row) : "-",
               target != nullptr && strcmp(buffer, word) != 0 ? buffer : "-", target != nullptr ? target : "-");
    }
    fclose(in);
    return 0;
}

}  // namespace

int RunLookup(int argc, char** argv)
{
    Options o;
    if (!Parse(argc, argv, o)) {
        fputs("usage: kwltool lookup --ini FILE [--assembler-ini FILE] --addin-dir DIR\n"
              "                      [--tools-dir DIR] [--help-dir DIR] [--app-dir DIR] (WORD | --words FILE)\n",
              stderr);
        return 2;
    }
    static HostDataRecord data{};
    data.HostIniPath = o.Ini;
    data.AssemblerIniPath = o.AssemblerIni;
    data.AddinDir = o.AddinDir;
    data.ToolsDir = o.ToolsDir;
    data.HelpDir = o.HelpDir;
    data.AppDir = o.AppDir;
    HostData = &data;
    // The add-in's boxes would stop a console tool: failures are told here instead.
    OptionFlags = OptEnable | OptQuiet;

    if (o.Words != nullptr) {
        if (!OpenCache()) {
            fputs("the cache could not be opened or built\n", stderr);
            return 1;
        }
        int result = LookupWords(o.Words);
        CloseCache();
        return result;
    }

    // The word as a help request captures it: leading blanks gone, A to Z lowered,
    // and at most 127 bytes in the 128-byte keyword buffer.
    char word[KeywordBufferSize];
    if (StrLen(o.Word) >= sizeof word) {
        printf("word: longer than 127 bytes: a help request refuses it\n");
        return 1;
    }
    TrimLeft(o.Word, word);
    StrLower(word);
    printf("word: %s\n", word);
    if (word[0] == 0) {
        printf("no help: the word is empty\n");
        return 1;
    }

    if (!OpenCache()) {
        printf("no help: the cache could not be opened or built (no KeywordLists in either settings file, "
               "or a list failed: run kwltool check on the lists)\n");
        return 1;
    }
    printf("settings in force: %s\n", ActiveIni);
    printf("enabled lists: %s\n", EnabledLists);
    printf("cache file: %s\n", CachePath);

    uint32_t listCount = CacheListCount();
    std::vector<uint32_t> holding = ListsHolding(word);
    printf("held by:");
    if (holding.empty())
        printf(" no enabled list");
    for (uint32_t list : holding)
        printf(" %s", list < listCount ? CacheListName(list) : "(a list index beyond the cache's lists)");
    printf("\n");

    char buffer[KeywordBufferSize];
    lstrcpynA(buffer, word, sizeof buffer);
    const char* target = LookupKeyword(buffer);
    if (target == nullptr) {
        printf("no help: no enabled list holds the word and \"default\" is not enabled\n");
        CloseCache();
        return 1;
    }
    int row = CacheRowOf(target);
    if (row < 0)
        printf("wins: a list the table does not name\n");
    else if (row == static_cast<int>(listCount))
        printf("wins: default, since no enabled list holds the word\n");
    else if (holding.size() > 1)
        printf("wins: %s, the one named latest in KeywordLists of the %u lists that hold it\n", CacheListName(row),
               static_cast<unsigned>(holding.size()));
    else
        printf("wins: %s, the only list that holds it\n", CacheListName(row));
    if (strcmp(buffer, word) != 0)
        printf("alias: %s (help opens for it in place of the word)\n", buffer);
    else
        printf("alias: none\n");
    printf("help target: %s\n", target);

    char work[HelpWorkSize];
    char* arguments = nullptr;
    if (!ExpandForOpening(buffer, target, work, &arguments)) {
        printf("expanded: too long for the add-in's buffers: nothing would open\n");
        CloseCache();
        return 1;
    }
    HelpOpener opener = ClassifyHelpPath(work);
    printf("path: %s\n", work);
    if (opener == HelpOpener::Program)
        printf("arguments: %s\n", arguments != nullptr ? arguments : "(none: the program's quoted path alone)");
    printf("opener: %s\n", OpenerName(opener));
    CloseCache();
    return 0;
}
