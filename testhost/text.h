// Text conversion for the host stand-in: the add-in speaks the ANSI code page
// (936), the host's output is UTF-8, its windows are UTF-16.
#pragma once
#include <windows.h>

#include <string>

std::string AnsiToUtf8(const std::string& ansi);
std::string WideToUtf8(const wchar_t* wide);
std::string ToUtf8(const wchar_t* wide, int count);
std::string FromWide(const wchar_t* wide, int count, UINT codePage);
std::string Utf8ToAnsi(const std::string& utf8);
std::wstring ToWide(const std::string& text, UINT codePage);
