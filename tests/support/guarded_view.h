// Bytes that end right before a page that can't be read: a read past their
// end faults at once instead of going unnoticed.
#pragma once
#include <stdint.h>

#include <string>

class GuardedView {
public:
    explicit GuardedView(const std::string& bytes);
    ~GuardedView();
    GuardedView(const GuardedView&) = delete;
    GuardedView& operator=(const GuardedView&) = delete;
    const char* View() const { return view_; }
    uint32_t Size() const { return size_; }

private:
    char* base_;
    char* view_;
    uint32_t size_;
};
