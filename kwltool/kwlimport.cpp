#include "kwltool/kwlimport.h"

#include <stdlib.h>

#include <algorithm>
#include <initializer_list>

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
std::vector<ImportedName> ImportMasmInclude(const char* bytes, size_t size)
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

bool IsWordOf(const std::string& word, std::initializer_list<const char*> words)
{
    for (const char* w : words) {
        if (word == w)
            return true;
    }
    return false;
}

bool IsQuoted(const std::string& word) { return !word.empty() && (word[0] == '"' || word[0] == '\''); }

// fasm keeps a macro package's own helpers apart by an "@" in their names
// (define@proc, prologue@proc): no word a programmer writes.
bool IsFasmName(const std::string& word) { return IsAsmName(word) && word.find('@') == std::string::npos; }

// fasm's statements: a line whose last word is "\" goes on in the next. Each
// comes with the depth of braces that it starts in.
std::vector<std::pair<int, std::vector<std::string>>> FasmStatements(const char* bytes, size_t size)
{
    std::vector<std::pair<int, std::vector<std::string>>> statements;
    std::vector<std::string> words;
    int depth = 0, startDepth = 0;
    bool continued = false;
    for (const std::string& line : Lines(bytes, size)) {
        if (!continued)
            startDepth = depth;
        for (std::string& word : AsmWords(line)) {
            for (char c : IsQuoted(word) ? std::string() : word)
                depth += c == '{' ? 1 : c == '}' ? -1 : 0;
            words.push_back(std::move(word));
        }
        continued = !words.empty() && words.back() == "\\";
        if (continued) {
            words.pop_back();
            continue;
        }
        if (!words.empty())
            statements.emplace_back(startDepth, std::move(words));
        words.clear();
        depth = std::max(depth, 0);
    }
    return statements;
}

// Names that fasm's "macro NAME" and "struc NAME" define, the "struct NAME"
// of its Windows headers, "NAME = value", "NAME equ" and "NAME fix", and the
// functions that its "import" and "api" lines name. A macro that defines a
// macro for its caller (proc's endp) is written one brace deep; deeper ones,
// and the constants of macro bodies, belong to the macros themselves.
std::vector<ImportedName> ImportFasmInclude(const char* bytes, size_t size)
{
    std::vector<ImportedName> names;
    int structDepth = 0;
    auto add = [&names](const std::string& word) {
        std::string name = word.substr(0, word.find_first_of("{="));
        if (IsFasmName(name))
            names.push_back(ImportedName{name, std::string()});
    };
    for (const auto& statement : FasmStatements(bytes, size)) {
        const std::vector<std::string>& words = statement.second;
        std::string first = Lower(words[0]);
        std::string second = words.size() > 1 ? Lower(words[1]) : std::string();
        if (structDepth > 0) {
            structDepth += first == "struct" || first == "union";
            structDepth -= first == "ends";
            continue;
        }
        if (first == "macro" && words.size() > 1 && statement.first <= 1) {
            add(words[1]);
            continue;
        }
        if (statement.first != 0)
            continue;
        if ((first == "struc" || first == "struct") && words.size() > 1) {
            add(words[1]);
            structDepth = first == "struct";
        } else if (first == "import") {
            // import user32, MessageBoxA,'MessageBoxA', ...: the label before each quoted name.
            for (size_t k = 2; k + 1 < words.size(); ++k) {
                if (IsQuoted(words[k + 1]))
                    add(words[k]);
            }
        } else if (first == "api") {
            for (size_t k = 1; k < words.size(); ++k)
                add(words[k]);
        } else if (IsWordOf(second, {"=", "equ", "fix"}) ||
                   (words[0].find('=') != std::string::npos && words[0][0] != '=')) {
            add(words[0]);
        }
    }
    return names;
}

// Names that NASM's %macro, %define (with a replacement or parameters: an empty
// one is a guard) and %assign define, "struc NAME" and "NAME equ". Names that
// begin with "__" are the assembler's own.
std::vector<ImportedName> ImportNasmInclude(const char* bytes, size_t size)
{
    std::vector<ImportedName> names;
    int macroDepth = 0;
    const char* structEnd = nullptr;
    auto add = [&names](const std::string& word) {
        std::string name = word.substr(0, word.find_first_of("(:"));
        if (IsAsmName(name) && name.compare(0, 2, "__") != 0)
            names.push_back(ImportedName{name, std::string()});
    };
    for (const std::string& line : Lines(bytes, size)) {
        std::vector<std::string> words = AsmWords(line);
        if (words.empty())
            continue;
        std::string first = Lower(words[0]);
        std::string second = words.size() > 1 ? Lower(words[1]) : std::string();
        if (macroDepth > 0) {
            macroDepth += first == "%macro" || first == "%imacro";
            macroDepth -= first == "%endmacro" || first == "%endm";
            continue;
        }
        if (structEnd != nullptr) {
            if (first == structEnd)
                structEnd = nullptr;
            continue;
        }
        if (words.size() < 2)
            continue;
        if (first == "%macro" || first == "%imacro") {
            add(words[1]);
            macroDepth = 1;
        } else if (IsWordOf(first, {"%define", "%xdefine", "%idefine", "%ixdefine"})) {
            if (words.size() > 2 || words[1].find('(') != std::string::npos)
                add(words[1]);
        } else if (first == "%assign" || first == "%iassign") {
            add(words[1]);
        } else if (first == "struc") {
            add(words[1]);
            structEnd = "endstruc";
        } else if (first == "istruc") {
            structEnd = "iend";
        } else if (second == "equ") {
            add(words[0]);
        }
    }
    return names;
}

// --- C header --------------------------------------------------------------

struct Token {
    enum Kind { Name, Text, Other } Type;
    std::string Value;
};

bool IsCNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '$'; }

struct Define {
    std::string Name;
    std::string Replacement;  // what follows the name and its parameters, without comments
};

// A directive's text without its comments, its spliced lines joined.
std::string DirectiveText(const std::string& directive)
{
    std::string out;
    for (size_t i = 0; i < directive.size(); ++i) {
        if (directive.compare(i, 2, "/*") == 0) {
            size_t end = directive.find("*/", i + 2);
            i = end == std::string::npos ? directive.size() : end + 1;
            out += ' ';
        } else if (directive.compare(i, 2, "//") == 0) {
            break;
        } else if (directive[i] == '\\' || directive[i] == '\r' || directive[i] == '\n' || directive[i] == '\t') {
            out += ' ';
        } else {
            out += directive[i];
        }
    }
    return out;
}

// The header without comments, as tokens; its #define lines go to defines
// (those with a replacement or parameters: an empty one is a guard or a
// switch, not a name of the interface).
std::vector<Token> CTokens(const char* bytes, size_t size, std::vector<Define>& defines)
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
            std::string directive = DirectiveText(text.substr(i, end - i));
            i = end;
            size_t at = directive.find_first_not_of(" \t", 1);
            if (at == std::string::npos || directive.compare(at, 6, "define") != 0)
                continue;
            size_t start = std::min(directive.find_first_not_of(" \t", at + 6), directive.size());
            size_t stop = start;
            while (stop < directive.size() && IsCNameChar(directive[stop]))
                ++stop;
            size_t body = stop;
            if (body < directive.size() && directive[body] == '(')
                body = std::min(directive.find(')', body), directive.size() - 1) + 1;
            if (stop > start && !Trimmed(directive.substr(stop)).empty())
                defines.push_back(Define{directive.substr(start, stop - start), Trimmed(directive.substr(body))});
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

// The compiler's own markers, never a function's name wherever they stand.
bool IsCompilerMarker(const std::string& name)
{
    return IsWordOf(name, {"__declspec", "__attribute__", "__attribute", "__asm__", "__asm", "asm", "__pragma",
                           "_Pragma", "__typeof__", "__alignof__", "alignas", "_Alignas", "__extension__"});
}

// The index of the ")" that closes the "(" at statement[open], or the
// statement's size when none does.
size_t CloseOf(const std::vector<Token>& statement, size_t open)
{
    for (int depth = 0; open < statement.size(); ++open) {
        depth += statement[open].Value == "(";
        depth -= statement[open].Value == ")";
        if (depth == 0)
            break;
    }
    return open;
}

// The function a statement declares (or begins to define), or "" when it
// declares none: the name before the first parenthesised list that is no
// marker's, with a return type before it and no "=" or "*(" in the way. A
// name that looks like a marker but has a type before it and its list last
// is a function all the same: the headers' inline __Helper(...) { }.
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
        if (before.Type != Token::Name)
            return std::string();  // "(*name)(...)": a pointer, not a function
        bool typed = i >= 2 && (statement[i - 2].Type == Token::Name || statement[i - 2].Value == "*");
        size_t close = CloseOf(statement, i);
        bool last = close + 1 >= statement.size();
        if (IsMarker(before.Value) && (IsCompilerMarker(before.Value) || !last || !typed)) {
            i = close;
            continue;
        }
        // "HANDLE (WINAPI *name)(...)": the list after the first makes it a pointer.
        bool pointer = !last && statement[close + 1].Value == "(";
        if (!typed || pointer || IsCKeyword(before.Value))
            return std::string();
        return before.Value;
    }
    return std::string();
}

bool IsTypeQualifier(const std::string& name) { return name == "const" || name == "volatile"; }

// Where the struct, union or enum keyword stands that a statement's type
// begins with, after typedef and markers (DECLSPEC_ALIGN(16), const), or npos.
size_t AggregateKeyword(const std::vector<Token>& statement)
{
    size_t k = !statement.empty() && statement[0].Value == "typedef" ? 1 : 0;
    for (; k < statement.size() && statement[k].Type == Token::Name; ++k) {
        const std::string& name = statement[k].Value;
        if (name == "struct" || name == "union" || name == "enum")
            return k;
        if (k + 1 < statement.size() && statement[k + 1].Value == "(")
            k = CloseOf(statement, k + 1);
        else if (!IsTypeQualifier(name) && !IsMarker(name))
            break;
    }
    return std::string::npos;
}

// The items of a list between commas at the top level of its parentheses.
std::vector<std::vector<Token>> CommaItems(std::vector<Token>::const_iterator from,
                                           std::vector<Token>::const_iterator to)
{
    std::vector<std::vector<Token>> items(1);
    int depth = 0;
    for (; from != to; ++from) {
        depth += from->Value == "(" || from->Value == "[";
        depth -= from->Value == ")" || from->Value == "]";
        if (depth == 0 && from->Value == ",")
            items.emplace_back();
        else
            items.back().push_back(*from);
    }
    return items;
}

// The names of a structure, union or enum that a statement declares: its tag
// and every name a typedef gives it that is no pointer's, and the members of
// an enum whose body is given. "{" "}" in the statement stand for that body.
void AggregateNames(const std::vector<Token>& statement, const std::vector<Token>& body,
                    std::vector<ImportedName>& names)
{
    size_t k = AggregateKeyword(statement);
    if (k == std::string::npos)
        return;
    bool typedefed = statement[0].Value == "typedef";
    size_t at = k + 1;
    while (at + 1 < statement.size() && statement[at].Type == Token::Name && statement[at + 1].Value == "(")
        at = CloseOf(statement, at + 1) + 1;  // struct DECLSPEC_ALIGN(16) _CONTEXT { }
    std::string tag = at < statement.size() && statement[at].Type == Token::Name ? statement[at++].Value : "";
    if (at < statement.size() && statement[at].Value == ":") {
        while (at < statement.size() && statement[at].Value != "{")
            ++at;  // C++'s ": public tagBASE" before the body
    }
    bool given = at < statement.size() && statement[at].Value == "{";
    if (!given && !typedefed)
        return;  // struct s *f(void); or struct s;: a use, not the definition
    if (!tag.empty())
        names.push_back(ImportedName{tag, std::string()});
    if (given && statement[k].Value == "enum") {
        for (const std::vector<Token>& member : CommaItems(body.begin(), body.end())) {
            if (!member.empty() && member[0].Type == Token::Name)
                names.push_back(ImportedName{member[0].Value, std::string()});
        }
    }
    if (!typedefed)
        return;
    at += given ? 2 : 0;
    for (const std::vector<Token>& declarator :
         CommaItems(statement.begin() + std::min(at, statement.size()), statement.end())) {
        std::string name;
        bool plain = true;
        for (const Token& token : declarator) {
            plain = plain && token.Value != "*" && token.Value != "(";
            if (name.empty() && token.Type == Token::Name && !IsTypeQualifier(token.Value))
                name = token.Value;
        }
        if (plain && !name.empty())
            names.push_back(ImportedName{name, std::string()});
    }
}

// A name that the language keeps for the compiler and the headers' own
// workings: __has_builtin, guards such as _WINUSER_H.
bool IsReservedName(const std::string& name)
{
    return name.compare(0, 2, "__") == 0 || (name.size() > 1 && name[0] == '_' && name[1] >= 'A' && name[1] <= 'Z');
}

// A #define of a decoration such as WINUSERAPI: its replacement begins with a
// calling convention, a storage class or another decoration.
bool IsDecoration(const Define& define, const std::vector<std::string>& decorations)
{
    size_t end = 0;
    while (end < define.Replacement.size() && IsCNameChar(define.Replacement[end]))
        ++end;
    std::string first = define.Replacement.substr(0, end);
    if (first.compare(0, 9, "DECLSPEC_") == 0 ||
        IsWordOf(first, {"__declspec", "__attribute__", "__stdcall", "__cdecl", "__fastcall", "__inline",
                         "__forceinline", "inline", "extern", "static"}))
        return true;
    return std::find(decorations.begin(), decorations.end(), first) != decorations.end();
}

bool IsCName(const std::string& text)
{
    return !text.empty() && !IsDigit(text[0]) && std::all_of(text.begin(), text.end(), IsCNameChar);
}

// Function declarations, structures, unions and enums at file level (inside
// extern "C" { } too), and the names of #define lines. Bodies of structures
// and of inline functions are skipped; an inline function is itself a name of
// the interface, unless it is a helper: a #define of a name that its own
// name holds stands for it (InterlockedXor for InterlockedXor_Inline).
std::vector<ImportedName> ImportCHeader(const char* bytes, size_t size)
{
    std::vector<Define> defines;
    std::vector<Token> tokens = CTokens(bytes, size, defines);
    std::vector<ImportedName> names;
    std::vector<std::string> inlines;
    std::vector<Token> statement, body;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& value = tokens[i].Value;
        if (tokens[i].Type != Token::Other || (value != ";" && value != "{" && value != "}")) {
            // A typedef begins its declaration: what stands before it was a
            // macro's use without ";" (__MINGW_TYPEDEF_AW(X)).
            if (value == "typedef" && tokens[i].Type == Token::Name)
                statement.clear();
            statement.push_back(tokens[i]);
            continue;
        }
        if (value == "{") {
            bool linkage = statement.size() == 2 && statement[0].Value == "extern" && statement[1].Type == Token::Text;
            if (!linkage) {
                std::string function = DeclaredFunction(statement);
                size_t open = i;
                for (int depth = 0; i < tokens.size(); ++i) {
                    depth += tokens[i].Value == "{";
                    depth -= tokens[i].Value == "}";
                    if (depth == 0)
                        break;
                }
                if (!function.empty()) {
                    names.push_back(ImportedName{function, std::string()});
                    inlines.push_back(function);
                    statement.clear();
                    continue;
                }
                // "struct s { ... } name;" and "int t[] = { ... };" go on to their
                // ";"; any other body ends what it belongs to.
                bool goesOn = AggregateKeyword(statement) != std::string::npos;
                for (const Token& token : statement)
                    goesOn = goesOn || token.Value == "=";
                if (goesOn) {
                    if (body.empty())
                        body.assign(tokens.begin() + open + 1, tokens.begin() + std::min(i, tokens.size()));
                    statement.push_back(Token{Token::Other, "{"});
                    statement.push_back(Token{Token::Other, "}"});
                    continue;
                }
            }
        } else if (value == ";") {
            std::string function = DeclaredFunction(statement);
            if (!function.empty())
                names.push_back(ImportedName{function, std::string()});
            AggregateNames(statement, body, names);
        }
        statement.clear();
        body.clear();
    }
    std::vector<std::string> decorations, helpers;
    for (const Define& define : defines) {
        if (IsReservedName(define.Name))
            continue;
        if (IsDecoration(define, decorations)) {
            decorations.push_back(define.Name);
            continue;
        }
        if (IsCName(define.Replacement) && define.Replacement.size() > define.Name.size() &&
            define.Replacement.find(define.Name) != std::string::npos)
            helpers.push_back(define.Replacement);
        names.push_back(ImportedName{define.Name, std::string()});
    }
    auto helper = [&](const ImportedName& name) {
        return std::find(inlines.begin(), inlines.end(), name.Keyword) != inlines.end() &&
               std::find(helpers.begin(), helpers.end(), name.Keyword) != helpers.end();
    };
    names.erase(std::remove_if(names.begin(), names.end(), helper), names.end());
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

const char* AsmSyntaxName(AsmSyntax syntax)
{
    return syntax == AsmSyntax::Fasm ? "fasm" : syntax == AsmSyntax::Nasm ? "nasm" : "masm";
}

bool AsmSyntaxOfName(const char* name, AsmSyntax* syntax)
{
    for (AsmSyntax each : {AsmSyntax::Masm, AsmSyntax::Fasm, AsmSyntax::Nasm}) {
        if (Lower(name) == AsmSyntaxName(each)) {
            *syntax = each;
            return true;
        }
    }
    return false;
}

AsmSyntax GuessAsmSyntax(const char* text, size_t size)
{
    // Lines that only one of the three writes: MASM names first and the
    // directive second; fasm has braces, "macro NAME", "struct NAME" and a
    // bare "ends"; NASM has its "%" directives and endstruc.
    unsigned masm = 0, fasm = 0, nasm = 0;
    for (const std::string& line : Lines(text, size)) {
        std::vector<std::string> words = AsmWords(line);
        if (words.empty())
            continue;
        std::string first = Lower(words[0]);
        std::string second = words.size() > 1 ? Lower(words[1]) : std::string();
        masm += IsWordOf(second, {"macro", "proto", "struct", "struc", "ends", "textequ", "union", "typedef"}) ||
                first == "endm";
        nasm += IsWordOf(first, {"%macro", "%imacro", "%endmacro", "%define", "%xdefine", "%idefine", "%assign",
                                 "%include", "%ifndef", "%ifdef", "endstruc", "istruc"});
        bool braces = false;
        for (const std::string& word : words)
            braces = braces || (!IsQuoted(word) && word.find_first_of("{}") != std::string::npos);
        fasm += braces || IsWordOf(first, {"macro", "struct", "ends", "import", "api"}) || second == "fix";
    }
    if (fasm > masm && fasm > nasm)
        return AsmSyntax::Fasm;
    if (nasm > masm && nasm >= fasm)
        return AsmSyntax::Nasm;
    return AsmSyntax::Masm;
}

bool SourceOfPath(const std::string& path, ImportSource* source)
{
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : Lower(path.substr(dot + 1));
    if (extension == "hhk")
        *source = ImportSource::HelpIndex;
    else if (extension == "inc" || extension == "asm" || extension == "mac")
        *source = ImportSource::AssemblerInclude;
    else if (extension == "h" || extension == "hpp")
        *source = ImportSource::CHeader;
    else
        return false;
    return true;
}

std::vector<ImportedName> ImportNames(ImportSource source, const char* text, size_t size, AsmSyntax syntax)
{
    switch (source) {
    case ImportSource::HelpIndex:
        return ImportHelpIndex(text, size);
    case ImportSource::AssemblerInclude:
        return syntax == AsmSyntax::Fasm   ? ImportFasmInclude(text, size)
               : syntax == AsmSyntax::Nasm ? ImportNasmInclude(text, size)
                                           : ImportMasmInclude(text, size);
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
