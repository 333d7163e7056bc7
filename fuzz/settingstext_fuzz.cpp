// The dialog's settings texts at and past their limits: the assembler list and
// KeywordLists as the profile reads hand them over (cut to their buffers), the
// combo entries and list-item texts formed from them, and the enabled-lists
// value a save puts together. Every buffer is a heap block of exactly its size.
//
// Input: two size bytes, then a value; the value up to the first 0xFF byte is
// taken as read into the assembler list and into KeywordLists, and the pieces
// after it, split at 0xFF, are the names a save appends.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "dialog/settingstext.h"

namespace {

[[noreturn]] void Fail() { __builtin_trap(); }

constexpr uint32_t AssemblerListSize = 128;
constexpr uint32_t EntrySize = 128;
constexpr uint32_t DialogListsSize = 256;
// ".ini - " and the assembler-specific words, in code page 936: 21 bytes.
const char AssemblerSuffix[] = ".ini - \xb1\xe0\xd2\xeb\xc6\xf7\xd6\xb8\xb6\xa8\xc9\xe8\xd6\xc3";
static_assert(sizeof AssemblerSuffix == 22, "the suffix the dialog appends");

// What a profile read leaves: at most size - 1 bytes, stopped at a NUL.
std::vector<char> Read(const std::string& value, uint32_t size)
{
    std::vector<char> buffer(size);
    size_t n = strnlen(value.c_str(), value.size());
    if (n > size - 1)
        n = size - 1;
    memcpy(buffer.data(), value.data(), n);
    buffer[n] = 0;
    return buffer;
}

// The names of a text walked from its last to its first; each must lie inside
// the text and hold no comma.
std::vector<std::string> Walk(const char* text, uint32_t length)
{
    // Only the length bytes: the walk must not need the terminator.
    std::vector<char> exact(length ? length : 1);
    memcpy(exact.data(), text, length);
    NameWalk walk;
    StartFromLast(&walk, exact.data(), length);
    std::vector<std::string> names;
    const char* name;
    uint32_t nameLength;
    while (NextFromLast(&walk, &name, &nameLength)) {
        if (name < exact.data() || nameLength > length || name + nameLength > exact.data() + length)
            Fail();
        if (memchr(name, ',', nameLength) != nullptr)
            Fail();
        names.emplace_back(name, nameLength);
        if (names.size() > length + 1)
            Fail();
    }
    return names;
}

// FormEntry and EntryFileName into a block of exactly size bytes.
void Entry(const std::string& name, uint32_t size, const char* suffix)
{
    std::vector<char> text(size ? size : 1);
    uint32_t formed = FormEntry(size ? text.data() : nullptr, size, name.data(), static_cast<uint32_t>(name.size()),
                                suffix);
    if (!formed) {
        if (size != 0 && text[0] != 0)
            Fail();
        return;
    }
    uint32_t length = StrLen(text.data());
    if (length != name.size() + StrLen(suffix) || length >= size)
        Fail();
    for (uint32_t fileSize : {size, EntrySize, 1u, 5u}) {
        std::vector<char> file(fileSize);
        if (EntryFileName(text.data(), file.data(), fileSize)) {
            uint32_t fileLength = StrLen(file.data());
            if (fileLength >= fileSize || memcmp(file.data(), text.data(), fileLength) != 0)
                Fail();
        } else if (file[0] != 0) {
            Fail();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    uint32_t entrySize = data[0];                            // any size, 0 included
    uint32_t listsSize = 1 + data[1] + (data[1] & 1) * 256;  // up to past the dialog's 256
    std::vector<std::string> pieces(1);
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == 0xFF)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }

    // The assembler list, as FillSettingsCombo takes it.
    std::vector<char> assemblers = Read(pieces[0], AssemblerListSize);
    uint32_t length = StrLen(assemblers.data());
    std::vector<std::string> names = Walk(assemblers.data(), length);
    if (MayBeCut(length, AssemblerListSize) != (length == AssemblerListSize - 1))
        Fail();
    for (const std::string& name : names) {
        Entry(name, EntrySize, AssemblerSuffix);
        Entry(name, entrySize, AssemblerSuffix);
    }

    // KeywordLists, as LoadSettings takes it: every name it can read forms its item text.
    std::vector<char> lists = Read(pieces[0], DialogListsSize);
    StrLower(lists.data());
    length = StrLen(lists.data());
    names = Walk(lists.data(), length);
    for (const std::string& name : names) {
        std::vector<char> text(DialogListsSize + 5);
        if (!FormEntry(text.data(), static_cast<uint32_t>(text.size()), name.data(), static_cast<uint32_t>(name.size()),
                       ".kwl"))
            Fail();
        Entry(name, entrySize, ".kwl");
    }

    // A name the settings can name, written as a save writes it, reads back as itself.
    for (size_t i = 1; i < pieces.size(); ++i) {
        // In the case of the file on disk; the value is lowercased before it is read.
        std::string name = pieces[i].substr(0, strnlen(pieces[i].c_str(), pieces[i].size()));
        uint32_t n = static_cast<uint32_t>(name.size());
        std::string saved = name + (NeedsExtension(name.data(), n) ? ".kwl" : "");
        StrLower(&saved[0]);
        StrLower(&name[0]);
        ListName read = ReadListName(saved.data(), static_cast<uint32_t>(saved.size()));
        if (SettingsCanName(name.data(), n) && (read.Bare || std::string(read.Text, read.Length) != name))
            Fail();
    }

    // The value a save builds: what it accepts is read back whole, name by name.
    std::vector<char> built(listsSize);
    built[0] = 0;
    std::vector<std::string> appended;
    for (size_t i = 1; i < pieces.size(); ++i) {
        std::string name = pieces[i].substr(0, strnlen(pieces[i].c_str(), pieces[i].size()));
        uint32_t before = StrLen(built.data());
        if (AppendListName(built.data(), listsSize, name.c_str())) {
            appended.push_back(name);
        } else if (StrLen(built.data()) != before) {
            Fail();
        }
    }
    length = StrLen(built.data());
    if (length >= listsSize)
        Fail();
    if (listsSize <= DialogListsSize && !appended.empty()) {
        // Without its leading comma the value fits what the dialog reads back.
        std::vector<char> back = Read(std::string(built.data() + 1), DialogListsSize);
        uint32_t backLength = StrLen(back.data());
        if (backLength != length - 1 || MayBeCut(backLength, DialogListsSize))
            Fail();
        bool commas = false;
        for (const std::string& name : appended)
            commas |= name.find(',') != std::string::npos;
        if (!commas) {
            std::vector<std::string> again = Walk(back.data(), backLength);
            if (again.size() != appended.size())
                Fail();
            // Each name comes back as the grammar reads it: trimmed, without a ".kwl".
            for (size_t i = 0; i < again.size(); ++i) {
                const std::string& name = appended[appended.size() - 1 - i];
                ListName read = ReadListName(name.data(), static_cast<uint32_t>(name.size()));
                if (again[i] != std::string(read.Text, read.Length))
                    Fail();
            }
        }
    }
    return 0;
}
