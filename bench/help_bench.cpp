// Measures the whole help command inside the real DLL, loaded by the host
// stand-in: the keyword taken from the RichEdit at the caret, the lookup, and
// the hand-over to the opener. The lists' help target is a ".hlp" file, and
// the stand-in keeps a window of WinHelp's class, so the request is handed to
// it at once instead of starting a viewer. Prints one RESULT line.
//
// usage: help_bench DIR LISTS DLL PRESSES
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "testhost/host.h"

namespace {

// Some keywords of a list file, spread over it; words with an alias or a
// character the editor would split on are left out.
std::vector<std::string> SampleKeywords(const std::string& path, size_t count)
{
    std::vector<std::string> words;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return words;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, got);
    fclose(f);
    std::vector<std::string> all;
    size_t at = 0;
    for (int line = 0;; ++line) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos)
            break;
        std::string text = bytes.substr(at, end - at);
        if (line >= 2 && text.find('=') == std::string::npos && text.find('.') == std::string::npos && !text.empty() &&
            isalpha(static_cast<unsigned char>(text[0])))
            all.push_back(text);
        at = end + 2;
    }
    for (size_t k = 0; k < all.size() && words.size() < count; k += std::max<size_t>(1, all.size() / count))
        words.push_back(all[k]);
    return words;
}

// Microseconds per press with the caret inside each word in turn.
double PressTime(Host& host, const std::vector<std::string>& words, const std::vector<LONG>& at, int presses,
                 uint32_t expect, uint32_t* unexpected)
{
    std::vector<double> times;
    for (int p = 0; p < presses; ++p) {
        size_t w = p % words.size();
        SetSelection(host, at[w] + 1, at[w] + 1);
        double start = Now();
        uint32_t result = PassToAddin(host, WM_COMMAND, HelpCommandId, 0);
        times.push_back(Now() - start);
        if (result != expect)
            ++*unexpected;
        PumpMessages(host);
    }
    return Median(times) * 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        fputs("usage: help_bench DIR LISTS DLL PRESSES\n", stderr);
        return 2;
    }
    std::string dir = argv[1];
    int lists = atoi(argv[2]);
    std::string dll = argv[3];
    int presses = atoi(argv[4]);

    HostConfig config;
    config.AppDir = dir;
    config.AddinDir = dir;
    config.HelpDir = dir;
    config.ToolsDir = dir;
    config.HostIni = dir + "\\Varnok.ini";
    config.DllPath = dll;
    config.OpenLog = dir + "\\opened.log";
    config.Options = OptEnable | OptQuiet;
    config.Unattended = true;
    config.Silent = true;  // the catcher's log line would be timed with each press

    std::string names;
    std::vector<std::string> words;
    for (int i = 0; i < lists; ++i) {
        std::string name = "list" + std::to_string(i);
        names += (i ? "," : "") + name;
        WritePrivateProfileStringA("Tembril", name.c_str(), "$H\\api.hlp", config.HostIni.c_str());
        for (const std::string& w : SampleKeywords(dir + "\\" + name + ".kwl", 50 / lists + 1))
            words.push_back(w);
    }
    WritePrivateProfileStringA("Tembril", "KeywordLists", names.c_str(), config.HostIni.c_str());
    std::vector<std::string> misses;
    for (const std::string& w : words)
        misses.push_back(w + "zzzzqq");

    static Host host;
    if (!CreateHost(host, config) || !LoadAddin(host) || !InstallAddin(host)) {
        fputs("the host stand-in could not load the add-in\n", stderr);
        return 1;
    }
    // The words one per line; the caret goes inside each in turn.
    std::string text;
    for (const std::string& w : words)
        text += "    mov eax, " + w + "\r\n";
    for (const std::string& w : misses)
        text += "    mov eax, " + w + "\r\n";
    SetEditorText(host, text);
    std::vector<LONG> hitAt, missAt;
    for (const std::string& w : words)
        hitAt.push_back(FindInEditor(host, ", " + w + "\r") + 2);
    for (const std::string& w : misses)
        missAt.push_back(FindInEditor(host, ", " + w + "\r") + 2);

    uint32_t unexpected = 0;
    PressTime(host, words, hitAt, 20, 1, &unexpected);  // warm-up: first use of the window and the opener
    unexpected = 0;
    double hit = PressTime(host, words, hitAt, presses, 1, &unexpected);
    double miss = PressTime(host, misses, missAt, presses, 0, &unexpected);
    if (unexpected != 0)
        fprintf(stderr, "warning: %u presses gave an unexpected result\n", unexpected);
    fprintf(stdout, "RESULT lists=%d words=%u help_hit_us=%.1f help_miss_us=%.1f winhelp_seen=%u\n", lists,
            static_cast<unsigned>(words.size()), hit, miss, host.WinHelpSeen);
    fflush(stdout);
    DestroyWindow(host.Main);
    return 0;
}
