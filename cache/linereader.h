// Streams a keyword-list file through a window of at most 4096 bytes and hands
// its lines out in place: CR and every "=" become NULs, so a keyword line reads
// as the keyword, and its alias (if any) follows right after the keyword's NUL.
#pragma once
#include <windows.h>
#include <stdint.h>

constexpr uint32_t LineWindowSize = 4096;

// The owner supplies it zero-filled. The reader owns File and Window: it
// releases them itself at the end of the file; on any other 0 result it stays
// open and the owner closes it with CloseLineReader.
struct LineReader {
    HANDLE File;       // 0 while closed
    char* Window;      // the file's size, capped at LineWindowSize
    char* Line;        // current line in the window; null once the file is exhausted
    uint32_t Filled;   // valid bytes from Window on
    uint32_t Keyword;  // length of the current line's first string (the keyword), found by the same scan
    bool Failed;       // the last GetNextLine stopped on a line that does not fit or a read error
    uint32_t Error;    // the system's code for a failed open or read; 0 for a line that does not fit
    uint32_t Number;   // the 1-based number of the line at Line, whether it was handed out or not
};

// Opens path and returns the first line's length (0: cannot open, empty line,
// line does not fit, read error). The reader shows nothing: its owner, who
// knows which list it reads, tells the user.
uint32_t GetFirstLine(LineReader* reader, const char* path);

// The caller first advances Line past the line it used and its CR LF (length + 2).
// Returns the next line's length; 0 at the end of the file (Line is then null),
// for an empty line, and on failure.
uint32_t GetNextLine(LineReader* reader);

// Tells a 0 from GetNextLine apart while Line is still set: true for a line
// that does not fit the window or a failed read (the reader stays open, Line
// on text without a line end), false for a real empty line.
inline bool LineReaderFailed(const LineReader* reader) { return reader->Failed; }

// Releases whatever an open reader still holds and zero-fills it.
void CloseLineReader(LineReader* reader);
