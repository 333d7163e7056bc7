#include "kwltool/kwlimport.h"

#include <stdlib.h>

#include <algorithm>

#include "kwltool/kwlsort.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return text;
}

std::string Trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The text's lines without their line ends, whichever ends the file uses.
std::vector<std::string> Lines(const char* text, size_t size)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\n') {
            size_t end = i > start && text[i - 1] == '\r' ? i - 1 : i;
            if (i < size || end > start)
                lines.emplace_back(text + start, end - start);
            start = i + 1;
        }
    }
    return lines;
}

// --- HTML Help index -------------------------------------------------------

std::string DecodeEntities(const std::string& text)
{
    static const struct {
        const char* Name;
        char Byte;
    } named[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string::npos;
        if (semicolon == std::string::npos || semicolon - i > 8) {
            out += text[i];
            continue;
        }
        std::string name = text.substr(i + 1, semicolon - i - 1);
        long code = -1;
        if (name.size() > 1 && name[0] == '#')
            code = name[1] == 'x' || name[1] == 'X' ? strtol(name.c_str() + 2, nullptr, 16)
                                                    : strtol(name.c_str() + 1, nullptr, 10);
        for (const auto& entity : named) {
            if (name == entity.Name)
                code = static_cast<unsigned char>(entity.Byte);
        }
        if (code <= 0 || code >= 0x80) {  // beyond ASCII the index's own code page decides: keep it as written
            out += text[i];
            continue;
        }
        out += static_cast<char>(code);
        i = semicolon;
    }
    return out;
}

struct Tag {
    std::string Name;                                             // lowercase, "/ul" for a closing tag
    std::vector<std::pair<std::string, std::string>> Attributes;  // names lowercase, values decoded
};

// The tag starting at text[at] == '<'; at is left after its '>'.
Tag ReadTag(const std::string& text, size_t& at)
{
    Tag tag;
    size_t i = at + 1;
    while (i < text.size() && (IsLetter(text[i]) || IsDigit(text[i]) || text[i] == '/' || text[i] == '!'))
        tag.Name += static_cast<char>(text[i++]);
    tag.Name = Lower(tag.Name);
    while (i < text.size() && text[i] != '>') {
        if (!IsLetter(text[i])) {
            ++i;
            continue;
        }
        std::string name, value;
        while (i < text.size() && (IsLetter(text[i]) || IsDigit(text[i]) || text[i] == '-' || text[i] == '_'))
            name += text[i++];
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                size_t close = text.find(text[i], i + 1);
                if (close == std::string::npos)
                    close = text.size();
                value = text.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                while (i < text.size() && text[i] != '>' && !IsBlank(text[i]) && text[i] != '\r' && text[i] != '\n')
                    value += text[i++];
            }
        }
        tag.Attributes.emplace_back(Lower(name), DecodeEntities(value));
    }
    at = i + 1;
    return tag;
}

std::string Attribute(const Tag& tag, const char* name)
{
    for (const auto& attribute : tag.Attributes) {
        if (attribute.first == name)
            return attribute.second;
    }
    return std::string();
}

// Each sitemap entry of the index's top level: its first Name is the keyword;
// a further Name names the topic it opens, and See Also the keyword it sends
// the reader to. Entries nested under another qualify their parent (a "styles"
// under CreateWindow): they are no word of the source, and are left out.
std::vector<ImportedName> ImportHelpIndex(const char* bytes, size_t size)
{
    std::vector<ImportedName> names;
    std::string text(bytes, size);
    int depth = 0;
    bool inEntry = false;
    std::vector<std::string> entryNames;
    std::string seeAlso;
    size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        if (text.compare(at, 4, "<!--") == 0) {
            size_t end = text.find("-->", at + 4);
            at = end == std::string::npos ? text.size() : end + 3;
            continue;
        }
        Tag tag = ReadTag(text, at);
        if (tag.Name == "ul") {
            ++depth;
        } else if (tag.Name == "/ul") {
            --depth;
        } else if (tag.Name == "object" && Lower(Attribute(tag, "type")) == "text/sitemap") {
            inEntry = true;
            entryNames.clear();
            seeAlso.clear();
        } else if (tag.Name == "param" && inEntry) {
            std::string name = Lower(Attribute(tag, "name"));
            if (name == "name")
                entryNames.push_back(Trimmed(Attribute(tag, "value")));
            else if (name == "see also")
                seeAlso = Trimmed(Attribute(tag, "value"));
        } else if (tag.Name == "/object" && inEntry) {
            inEntry = false;
            if (depth > 1 || entryNames.empty())
                continue;
            ImportedName entry{entryNames[0], std::string()};
            std::string target = !seeAlso.empty() ? seeAlso : entryNames.size() > 1 ? entryNames[1] : std::string();
            if (Lower(target) != Lower(entry.Keyword))
                entry.Alias = target;
            names.push_back(entry);
        }
    }
    return names;
}

// --- Assembler include file -----------------------------------------------

bool IsAsmNameStart(char c) { return IsLetter(c) || c == '_' || c == '@' || c == '$' || c == '?'; }

// The line's words before its comment: names, and anything else up to a blank
// or comma; a quoted string is one word.
std::vector<std::string> AsmWords(const std::string& line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size() && line[i] != ';') {
        if (IsBlank(line[i]) || line[i] == ',') {
            ++i;
            continue;
        }
        size_t start = i;
        if (line[i] == '"' || line[i] == '\'') {
            size_t close = line.find(line[i], i + 1);
            i = close == std::string::npos ? line.size() : close + 1;
        } else if (line[i] == '<') {
            size_t close = line.find('>', i + 1);
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != ',' && line[i] != ';')
                ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool IsAsmName(const std::string& word)
{
    if (word.empty() || !IsAsmNameStart(word[0]))
        return false;
    for (char c : word) {
        if (!IsAsmNameStart(c) && !IsDigit(c))
            return false;
    }
    return true;
}

// Names that PROTO, EQU, TEXTEQU, MACRO and STRUCT (or STRUC) define. Macro
// bodies and structure fields are skipped, and so are COMMENT blocks.
std::vector<ImportedName> ImportAssemblerInclude(const char* bytes, size_t size)
{
    std::vector<ImportedName> names;
    int macroDepth = 0, structDepth = 0;
    char commentEnd = 0;
    for (const std::string& line : Lines(bytes, size)) {
        if (commentEnd != 0) {
            if (line.find(commentEnd) != std::string::npos)
                commentEnd = 0;
            continue;
        }
        std::vector<std::string> words = AsmWords(line);
        if (words.empty())
            continue;
        std::string first = Lower(words[0]);
        std::string second = words.size() > 1 ? Lower(words[1]) : std::string();
        if (first == "comment" && words.size() > 1) {
            // COMMENT !text...! : the block runs up to the next use of its delimiter.
            size_t open = line.find(words[1][0], Lower(line).find("comment") + 7);
            if (line.find(words[1][0], open + 1) == std::string::npos)
                commentEnd = words[1][0];
            continue;
        }
        if (macroDepth > 0) {
            static const char* const opens[] = {"rept", "repeat", "irp", "irpc", "for", "forc", "while"};
            for (const char* open : opens)
                macroDepth += first == open;
            macroDepth += second == "macro";
            macroDepth -= first == "endm";
            continue;
        }
        if (structDepth > 0) {
            structDepth += second == "struct" || second == "struc" || second == "union" || first == "struct" ||
                           first == "struc" || first == "union";
            structDepth -= first == "ends" || second == "ends";
            continue;
        }
        if (!IsAsmName(words[0]))
            continue;
        if (second == "proto" || second == "equ" || second == "textequ" || second == "macro" || second == "struct" ||
            second == "struc")
            names.push_back(ImportedName{words[0], std::string()});
        macroDepth += second == "macro";
        structDepth += second == "struct" || second == "struc" || second == "union";
    }
    return names;
}

// --- C header --------------------------------------------------------------

struct Token {
    enum Kind { Name, Text, Other } Type;
    std::string Value;
};

bool IsCNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '$'; }

// The header without comments, as tokens; the names of its #define lines go to
// defines (those with a replacement or parameters: an empty one is a guard or
// a switch, not a name of the interface).
std::vector<Token> CTokens(const char* bytes, size_t size, std::vector<std::string>& defines)
{
    const std::string text(bytes, size);
    std::vector<Token> tokens;
    bool lineStart = true;  // nothing but blanks since the last line end: a "#" begins a directive
    size_t i = 0;
    while (i < size) {
        char c = text[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
        } else if (IsBlank(c) || c == '\r') {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = std::min(text.find('\n', i), size);
        } else if (text.compare(i, 2, "/*") == 0) {
            i = std::min(text.find("*/", i + 2), size - 2) + 2;
        } else if (c == '#' && lineStart) {
            // A directive runs to the first line end not escaped by a backslash.
            size_t end = i;
            while (end < size &&
                   !(text[end] == '\n' && text[end - 1] != '\\' && !(text[end - 1] == '\r' && text[end - 2] == '\\')))
                ++end;
            std::string directive = text.substr(i, end - i);
            i = end;
            size_t at = directive.find_first_not_of(" \t", 1);
            if (at == std::string::npos || directive.compare(at, 6, "define") != 0)
                continue;
            size_t start = std::min(directive.find_first_not_of(" \t", at + 6), directive.size());
            size_t stop = start;
            while (stop < directive.size() && IsCNameChar(directive[stop]))
                ++stop;
            std::string rest = Trimmed(directive.substr(stop));
            if (stop > start && !rest.empty() && rest != "\\")
                defines.push_back(directive.substr(start, stop - start));
        } else {
            lineStart = false;
            size_t j = i + 1;
            Token::Kind kind = Token::Other;
            if (c == '"' || c == '\'') {
                while (j < size && text[j] != c && text[j] != '\n')
                    j += text[j] == '\\' ? 2 : 1;
                j = std::min(j + 1, size);
                kind = Token::Text;
            } else if (IsCNameChar(c)) {
                while (j < size && IsCNameChar(text[j]))
                    ++j;
                kind = IsDigit(c) ? Token::Other : Token::Name;
            }
            tokens.push_back(Token{kind, text.substr(i, j - i)});
            i = j;
        }
    }
    return tokens;
}

bool IsCKeyword(const std::string& name)
{
    static const char* const words[] = {"auto",   "char",     "const",    "double", "enum",     "extern", "float",
                                        "int",    "long",     "register", "return", "short",    "signed", "sizeof",
                                        "static", "struct",   "typedef",  "union",  "unsigned", "void",   "volatile",
                                        "inline", "__inline", "if",       "while",  "for",      "switch"};
    for (const char* word : words) {
        if (name == word)
            return true;
    }
    return false;
}

// Markers around a declaration that take parentheses of their own:
// __declspec(...), __attribute__((...)), annotations such as _Success_(...).
bool IsMarker(const std::string& name)
{
    return name.compare(0, 2, "__") == 0 || (name.size() > 2 && name[0] == '_' && name.back() == '_') ||
           name == "asm" || name == "alignas" || name == "_Alignas";
}

// The function a statement declares (or begins to define), or "" when it
// declares none: the name before the first parenthesised list that is no
// marker's, with a return type before it and no "=" or "*(" in the way.
std::string DeclaredFunction(const std::vector<Token>& statement)
{
    if (statement.empty() || statement[0].Value == "typedef")
        return std::string();
    for (size_t i = 1; i < statement.size(); ++i) {
        const std::string& value = statement[i].Value;
        if (statement[i].Type == Token::Other && (value == "=" || value == "{" || value == "}"))
            return std::string();
        if (value != "(")
            continue;
        const Token& before = statement[i - 1];
        if (before.Type != Token::Name || IsMarker(before.Value)) {
            // Skip the marker's own parentheses.
            int depth = 0;
            for (; i < statement.size(); ++i) {
                depth += statement[i].Value == "(";
                depth -= statement[i].Value == ")";
                if (depth == 0)
                    break;
            }
            if (before.Type != Token::Name)
                return std::string();  // "(*name)(...)": a pointer, not a function
            continue;
        }
        bool typed = i >= 2 && (statement[i - 2].Type == Token::Name || statement[i - 2].Value == "*");
        size_t close = i;
        for (int depth = 0; close < statement.size(); ++close) {
            depth += statement[close].Value == "(";
            depth -= statement[close].Value == ")";
            if (depth == 0)
                break;
        }
        // "HANDLE (WINAPI *name)(...)": the list after the first makes it a pointer.
        bool pointer = close + 1 < statement.size() && statement[close + 1].Value == "(";
        if (!typed || pointer || IsCKeyword(before.Value))
            return std::string();
        return before.Value;
    }
    return std::string();
}

// Function declarations at file level (inside extern "C" { } too) and the
// names of #define lines. Bodies of structures and of inline functions are
// skipped; an inline function is itself a name of the interface.
std::vector<ImportedName> ImportCHeader(const char* bytes, size_t size)
{
    std::vector<std::string> defines;
    std::vector<Token> tokens = CTokens(bytes, size, defines);
    std::vector<ImportedName> names;
    std::vector<Token> statement;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& value = tokens[i].Value;
        if (tokens[i].Type != Token::Other || (value != ";" && value != "{" && value != "}")) {
            statement.push_back(tokens[i]);
            continue;
        }
        if (value == "{") {
            bool linkage = statement.size() == 2 && statement[0].Value == "extern" && statement[1].Type == Token::Text;
            if (!linkage) {
                std::string function = DeclaredFunction(statement);
                if (!function.empty())
                    names.push_back(ImportedName{function, std::string()});
                for (int depth = 0; i < tokens.size(); ++i) {
                    depth += tokens[i].Value == "{";
                    depth -= tokens[i].Value == "}";
                    if (depth == 0)
                        break;
                }
                // "struct s { ... } name;" goes on to its ";", which ends nothing
                // more; a function's body ends the definition.
                if (!function.empty()) {
                    statement.clear();
                    continue;
                }
                statement.push_back(Token{Token::Other, "{"});
                statement.push_back(Token{Token::Other, "}"});
                continue;
            }
        } else if (value == ";") {
            std::string function = DeclaredFunction(statement);
            if (!function.empty())
                names.push_back(ImportedName{function, std::string()});
        }
        statement.clear();
    }
    for (const std::string& name : defines)
        names.push_back(ImportedName{name, std::string()});
    return names;
}

// Why help could never find the keyword, or null when it could.
const char* Unusable(const std::string& keyword)
{
    if (keyword.empty())
        return "empty";
    if (keyword.size() > 127)
        return "over 127 bytes";
    if (static_cast<unsigned char>(keyword[0]) >= 0x7F)
        return "first byte 0x7f or above";
    for (char c : keyword) {
        if (c == '=' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "holds \"=\" or a control character";
    }
    return nullptr;
}

}  // namespace

bool SourceOfPath(const std::string& path, ImportSource* source)
{
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : Lower(path.substr(dot + 1));
    if (extension == "hhk")
        *source = ImportSource::HelpIndex;
    else if (extension == "inc" || extension == "asm")
        *source = ImportSource::AssemblerInclude;
    else if (extension == "h" || extension == "hpp")
        *source = ImportSource::CHeader;
    else
        return false;
    return true;
}

std::vector<ImportedName> ImportNames(ImportSource source, const char* text, size_t size)
{
    switch (source) {
    case ImportSource::HelpIndex:
        return ImportHelpIndex(text, size);
    case ImportSource::AssemblerInclude:
        return ImportAssemblerInclude(text, size);
    case ImportSource::CHeader:
        return ImportCHeader(text, size);
    }
    return {};
}

ImportResult WriteImportedList(const std::string& title, const std::string& description,
                               const std::vector<ImportedName>& names)
{
    ImportResult result;
    for (const std::string* line : {&title, &description}) {
        if (line->empty() || line->find_first_of("\r\n=") != std::string::npos) {
            result.Error = "the title and the description must be given, each on one line and without \"=\"";
            return result;
        }
    }
    std::string list = title + "\r\n" + description + "\r\n";
    for (const ImportedName& name : names) {
        std::string keyword = Trimmed(name.Keyword);
        if (const char* why = Unusable(keyword)) {
            result.Skipped.push_back("\"" + keyword.substr(0, 60) + "\": " + why);
            continue;
        }
        // An alias help cannot use is dropped: help then opens for the keyword.
        std::string alias = Trimmed(name.Alias);
        if (Unusable(alias) != nullptr)
            alias.clear();
        list += keyword + (alias.empty() ? "" : "=" + alias) + "\r\n";
    }
    SortResult sorted = SortKeywordList(list.data(), list.size());
    result.Output = sorted.Output;
    result.Kept = names.size() - result.Skipped.size();
    for (const SortNote& note : sorted.Changes)
        result.Kept -= note.Kind == SortChange::DuplicateDropped || note.Kind == SortChange::EmptyDropped;
    if (result.Kept == 0)
        result.Error = "no name to write: a list needs at least one keyword";
    return result;
}
