// Help-target expansion over templates, directories and keywords of any
// length and content: it must stay inside its buffers, keep the path and the
// arguments terminated, and never read past any input's terminator.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "help/expand.h"

namespace {

// Input pieces are separated by 0xFE bytes: template, keyword, then the four
// directories. Each is copied into a block of exactly its size, so the
// sanitizer sees any read past its terminator.
std::vector<std::vector<char>> Pieces(const uint8_t* data, size_t size)
{
    std::vector<std::vector<char>> pieces(6);
    size_t at = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFE && at + 1 < pieces.size())
            ++at;
        else if (data[i] != 0)
            pieces[at].push_back(static_cast<char>(data[i]));
    }
    for (auto& piece : pieces)
        piece.push_back(0);
    return pieces;
}

void Check(const char* work, uint32_t size, const char* arguments)
{
    if (memchr(work, 0, size) == nullptr)
        __builtin_trap();
    if (arguments != nullptr) {
        if (arguments <= work || arguments >= work + size || memchr(arguments, 0, work + size - arguments) == nullptr)
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto pieces = Pieces(data, size);
    HelpDirs dirs = {pieces[2].data(), pieces[3].data(), pieces[4].data(), pieces[5].data()};
    for (bool url : {false, true}) {
        std::vector<char> work(HelpWorkSize);
        char* arguments = nullptr;
        if (ExpandHelpTarget(pieces[0].data(), dirs, pieces[1].data(), work.data(), HelpWorkSize, &arguments, url))
            Check(work.data(), HelpWorkSize, arguments);
        else if (work[0] != 0 || arguments != nullptr)
            __builtin_trap();
    }
    std::vector<char> line(Help2CommandLineSize);
    if (BuildHelp2CommandLine(pieces[0].data(), pieces[1].data(), line.data(), Help2CommandLineSize))
        Check(line.data(), Help2CommandLineSize, nullptr);
    return 0;
}
