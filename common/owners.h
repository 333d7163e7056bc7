// One small owner per kind of handle: it closes what it holds when it goes,
// moves but never copies, and knows its kind's invalid value, so an empty
// owner is never closed. get() lends the handle, release() gives it up to a
// longer-lived owner. The cache's own globals are not held by these: CloseCache
// alone releases them.
#pragma once
#include <windows.h>

template <typename Kind>
class Owned {
public:
    typedef typename Kind::Type Type;
    Owned() : value_(Kind::Invalid()) {}
    explicit Owned(Type value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : value_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Type get() const { return value_; }
    bool valid() const { return value_ != Kind::Invalid(); }
    Type release()
    {
        Type value = value_;
        value_ = Kind::Invalid();
        return value;
    }
    void reset(Type value = Kind::Invalid())
    {
        if (valid())
            Kind::Close(value_);
        value_ = value;
    }

private:
    Type value_;
};

// CreateFileA: INVALID_HANDLE_VALUE when it failed.
struct FileKind {
    typedef HANDLE Type;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
// CreateFileMappingA, and the process and thread of CreateProcessA: null when there is none.
struct KernelObjectKind {
    typedef HANDLE Type;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct ViewKind {
    typedef const char* Type;
    static const char* Invalid() { return nullptr; }
    static void Close(const char* view) { UnmapViewOfFile(view); }
};
struct FindKind {
    typedef HANDLE Type;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
struct ModuleKind {
    typedef HMODULE Type;
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE module) { FreeLibrary(module); }
};
// A block of the process heap.
template <typename T>
struct HeapKind {
    typedef T* Type;
    static T* Invalid() { return nullptr; }
    static void Close(T* block) { HeapFree(GetProcessHeap(), 0, block); }
};

typedef Owned<FileKind> FileHandle;
typedef Owned<KernelObjectKind> KernelHandle;
typedef KernelHandle MappingHandle;
typedef Owned<ViewKind> MappedView;
typedef Owned<FindKind> FindHandle;
typedef Owned<ModuleKind> LoadedModule;
template <typename T>
using HeapBlock = Owned<HeapKind<T>>;

// A zero-filled block for count T from the process heap; empty when the heap is exhausted.
template <typename T>
HeapBlock<T> AllocateZeroed(size_t count = 1)
{
    return HeapBlock<T>(static_cast<T*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T))));
}
