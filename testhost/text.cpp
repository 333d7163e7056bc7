#include "testhost/text.h"

std::string ToUtf8(const wchar_t* wide, int count)
{
    if (count == 0)
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, count, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::string AnsiToUtf8(const std::string& ansi)
{
    std::wstring wide = ToWide(ansi, CP_ACP);
    return ToUtf8(wide.data(), static_cast<int>(wide.size()));
}

std::string WideToUtf8(const wchar_t* wide) { return ToUtf8(wide, lstrlenW(wide)); }

std::string Utf8ToAnsi(const std::string& utf8)
{
    std::wstring wide = ToWide(utf8, CP_UTF8);
    if (wide.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size, nullptr, nullptr);
    return out;
}
