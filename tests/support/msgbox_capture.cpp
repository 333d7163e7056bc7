#include "support/msgbox_capture.h"

#include <algorithm>

namespace {
thread_local BoxCapture* current = nullptr;
constexpr int MessageBoxTextId = 0xFFFF;
}

BoxCapture::BoxCapture(std::vector<int> answers) : answers_(std::move(answers)), previous_(current)
{
    current = this;
    hook_ = SetWindowsHookExA(WH_CBT, &BoxCapture::Hook, nullptr, GetCurrentThreadId());
}

BoxCapture::~BoxCapture()
{
    if (timer_ != 0)
        KillTimer(nullptr, timer_);
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    current = previous_;
}

void BoxCapture::Watch(BoxSeenProc box, DialogSeenProc dialog, void* context)
{
    boxSeen_ = box;
    dialogSeen_ = dialog;
    context_ = context;
}

std::vector<std::string> BoxCapture::Texts() const
{
    std::vector<std::string> texts;
    for (const CapturedBox& box : boxes_)
        texts.push_back(box.Text);
    return texts;
}

std::string BoxCapture::Describe() const
{
    std::string text;
    for (const CapturedBox& box : boxes_) {
        char owner[16];
        wsprintfA(owner, "%p", static_cast<void*>(box.Owner));
        text += "[" + box.Caption + "] " + box.Text + " (owner " + owner + ", " + std::to_string(box.Buttons.size()) +
                " buttons)\n";
    }
    return text;
}

LRESULT CALLBACK BoxCapture::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && current != nullptr)
        current->Seen(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void BoxCapture::Seen(HWND box)
{
    char className[16] = "";
    GetClassNameA(box, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0)
        return;
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end())
        return;
    // A dialog of the code under test is "#32770" too; only a message box has the text control.
    if (GetDlgItem(box, MessageBoxTextId) == nullptr) {
        if (dialogSeen_ != nullptr) {
            answered_.push_back(box);
            dialogSeen_(box, context_);
        }
        return;
    }
    answered_.push_back(box);
    // Under load a box can be activated before it has set its text and shown
    // its buttons: it is read and answered from a timer that its own modal
    // loop runs, when it is complete.
    pending_.push_back(box);
    if (timer_ == 0)
        timer_ = SetTimer(nullptr, 0, 5, &BoxCapture::Tick);
}

void CALLBACK BoxCapture::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    BoxCapture* self = current;
    if (self == nullptr)
        return;
    std::vector<HWND> waiting;
    for (HWND box : self->pending_) {
        if (!IsWindow(box))
            continue;  // gone without ever being complete: not a box anyone saw
        bool complete = false;
        for (int id = IDOK; id <= IDNO && !complete; ++id) {
            HWND button = GetDlgItem(box, id);
            complete = button != nullptr && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE);
        }
        if (complete)
            self->Answer(box);
        else
            waiting.push_back(box);
    }
    self->pending_.swap(waiting);
    if (self->pending_.empty() && self->timer_ != 0) {
        KillTimer(nullptr, self->timer_);
        self->timer_ = 0;
    }
}

void BoxCapture::Answer(HWND box)
{
    CapturedBox seen;
    char text[2048] = "";
    GetDlgItemTextA(box, MessageBoxTextId, text, sizeof text);
    seen.Text = text;
    char caption[512] = "";
    GetWindowTextA(box, caption, sizeof caption);
    seen.Caption = caption;
    seen.Owner = GetWindow(box, GW_OWNER);
    for (int id = IDOK; id <= IDNO; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE))
            seen.Buttons.push_back(id);
    }
    bool given = next_ < answers_.size();
    int answer = given ? answers_[next_++] : (seen.Buttons.empty() ? IDOK : seen.Buttons.front());
    if (!given && decline_)
        answer = GetDlgItem(box, IDCANCEL) ? IDCANCEL : GetDlgItem(box, IDNO) ? IDNO : IDOK;
    boxes_.push_back(seen);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    if (boxSeen_ != nullptr)
        boxSeen_(seen, context_);
}

std::vector<int> OkButtons() { return {IDOK}; }
std::vector<int> YesNoButtons() { return {IDYES, IDNO}; }
std::vector<int> YesNoCancelButtons() { return {IDCANCEL, IDYES, IDNO}; }
