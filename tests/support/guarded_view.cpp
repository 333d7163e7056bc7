#include "support/guarded_view.h"

#include <windows.h>

#include <string.h>

GuardedView::GuardedView(const std::string& bytes)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    size_t data = (bytes.size() + page - 1) / page * page;
    if (data == 0)
        data = page;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, data + page, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base_, data, MEM_COMMIT, PAGE_READWRITE);
    view_ = base_ + data - bytes.size();
    memcpy(view_, bytes.data(), bytes.size());
    size_ = static_cast<uint32_t>(bytes.size());
}

GuardedView::~GuardedView() { VirtualFree(base_, 0, MEM_RELEASE); }
