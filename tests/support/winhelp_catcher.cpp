#include "support/winhelp_catcher.h"

namespace {

constexpr char ClassName[] = "MS_WINHELP";

// A string at offset inside the request block, bounded by the block.
std::string TextAt(const BYTE* block, DWORD size, WORD offset)
{
    if (offset == 0 || offset >= size)
        return std::string();
    const char* start = reinterpret_cast<const char*>(block + offset);
    size_t length = 0;
    while (length < size - offset && start[length] != 0)
        ++length;
    return std::string(start, length);
}

}  // namespace

WinHelpCatcher::WinHelpCatcher(SeenProc seen, void* context) : seen_(seen), context_(context)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, ClassName, "WinHelp stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ != nullptr)
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinHelpCatcher::~WinHelpCatcher()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

LRESULT CALLBACK WinHelpCatcher::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto self = reinterpret_cast<WinHelpCatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != WM_COPYDATA || self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (copy == nullptr || copy->lpData == nullptr)
        return FALSE;
    const BYTE* block = static_cast<const BYTE*>(copy->lpData);
    WinHelpRequest request = {copy->dwData, reinterpret_cast<HWND>(wParam), 0, "", ""};
    if (copy->cbData >= 16) {
        // size, command, data, reserved, file name offset, data offset
        request.Command = *reinterpret_cast<const WORD*>(block + 2);
        request.File = TextAt(block, copy->cbData, *reinterpret_cast<const WORD*>(block + 12));
        request.Keyword = TextAt(block, copy->cbData, *reinterpret_cast<const WORD*>(block + 14));
    }
    self->requests_.push_back(request);
    if (self->seen_ != nullptr)
        self->seen_(request, self->context_);
    return TRUE;
}
