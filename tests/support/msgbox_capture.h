// Catches the message boxes that code under test shows on this thread, records
// them and answers them, so that no box waits for a person.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct CapturedBox {
    std::string Text;  // ANSI bytes, as the box shows them
    std::string Caption;
    HWND Owner;
    std::vector<int> Buttons;  // ids of the visible buttons: IDOK, IDYES, ...
};

// While one of these lives, every message box on the calling thread is
// recorded and answered with the next of the given answers; once they run
// out, with the box's first button. An answer the box lacks is still sent:
// the box treats it as the platform would.
class BoxCapture {
public:
    explicit BoxCapture(std::vector<int> answers = {});
    ~BoxCapture();
    BoxCapture(const BoxCapture&) = delete;
    BoxCapture& operator=(const BoxCapture&) = delete;

    const std::vector<CapturedBox>& Boxes() const { return boxes_; }
    std::vector<std::string> Texts() const;
    // Every box seen, for failure messages.
    std::string Describe() const;
    void Clear() { boxes_.clear(); }

    // For a host that plays a user: told of each box once it is answered, and
    // of every other dialog of the thread once it is activated.
    typedef void (*BoxSeenProc)(const CapturedBox& box, void* context);
    typedef void (*DialogSeenProc)(HWND dialog, void* context);
    void Watch(BoxSeenProc box, DialogSeenProc dialog, void* context);
    // Once the given answers run out, Cancel, else No, else OK: the answer
    // that changes nothing.
    void Decline() { decline_ = true; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Seen(HWND box);
    void Answer(HWND box);

    HHOOK hook_;
    std::vector<int> answers_;
    size_t next_ = 0;
    std::vector<CapturedBox> boxes_;
    std::vector<HWND> answered_;
    std::vector<HWND> pending_;  // activated, read and answered from the box's own loop
    UINT_PTR timer_ = 0;
    BoxCapture* previous_;
    BoxSeenProc boxSeen_ = nullptr;
    DialogSeenProc dialogSeen_ = nullptr;
    void* context_ = nullptr;
    bool decline_ = false;
};

// Readable button sets for assertions.
std::vector<int> OkButtons();
std::vector<int> YesNoButtons();
std::vector<int> YesNoCancelButtons();
