// The keyword-list view: its items, the details panel, the user's changes
// against the program's, and the records' release.
#include <windows.h>
#include <commctrl.h>

#include "common/messages.h"
#include "dialog/configdlg.h"
#include "support/msgbox_capture.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "resources/resource.h"

namespace {

// Heap blocks of a list record's size now allocated in the process heap.
int RecordBlocks()
{
    int count = 0;
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) && entry.cbData == ListRecordSize)
            ++count;
    }
    HeapUnlock(heap);
    return count;
}

void SendItemChanged(HWND dialog, UINT changed, UINT oldState, UINT newState, ListRecord* record)
{
    NMLISTVIEW change = {};
    change.hdr.hwndFrom = GetDlgItem(dialog, IDC_LIST_VIEW);
    change.hdr.idFrom = IDC_LIST_VIEW;
    change.hdr.code = LVN_ITEMCHANGED;
    change.iItem = 1;
    change.uChanged = changed;
    change.uOldState = oldState;
    change.uNewState = newState;
    change.lParam = reinterpret_cast<LPARAM>(record);
    EXPECT_EQ(ConfigDlgProc(dialog, WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&change)), 1);
}

TEST_F(DialogTest, ItemsAreDefaultThenTheListsInDirectoryOrder)
{
    List("Zeta.kwl", "Zeta title", "Zeta about");
    List("alpha.KWL");
    List("masm.win32.kwl");
    addin.Write("notes.kwlx", "not a list\r\n");
    std::vector<std::string> expected = {"(default)"};
    for (const std::string& name : addin.List("*.kwl"))
        if (name != "notes.kwlx")
            expected.push_back(name);
    ASSERT_EQ(expected.size(), 4u);

    RunDialog({[&](HWND d) {
        EXPECT_EQ(ItemTexts(d), expected);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_LIST_VIEW, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x404, 0x404);
        Select(d, 0);
        EXPECT_EQ(ControlText(d, IDC_LIST_PATH), MSG_DEFAULT_PATH);
        EXPECT_EQ(ControlText(d, IDC_LIST_TITLE), "Default");
        EXPECT_EQ(ControlText(d, IDC_LIST_DESCRIPTION), MSG_DEFAULT_DESCRIPTION);
        int zeta = std::find(expected.begin(), expected.end(), "Zeta.kwl") - expected.begin();
        Select(d, zeta);
        EXPECT_EQ(ControlText(d, IDC_LIST_PATH), addin.File("Zeta.kwl"));
        EXPECT_EQ(ControlText(d, IDC_LIST_TITLE), "Zeta title");
        EXPECT_EQ(ControlText(d, IDC_LIST_DESCRIPTION), "Zeta about");
        // Showing a list is not a change.
        EXPECT_EQ(DialogModified, 0u);
        EXPECT_FALSE(Enabled(d, IDC_APPLY));
        Press(d, IDC_OK);
    }});
}

TEST_F(DialogTest, WithoutListsTheViewHoldsOnlyDefault)
{
    data.AddinDir = "C:\\no\\such\\dir";
    RunDialog({[&](HWND d) {
        EXPECT_EQ(ItemTexts(d), std::vector<std::string>{"(default)"});
        EXPECT_FALSE(Enabled(d, IDC_RESTORE));
        Press(d, IDC_OK);
    }});
}

TEST_F(DialogTest, CheckBoxesChangedByTheUserMarkTheDialogButNotWhenTheProgramFills)
{
    List("a.kwl");
    RunDialog({
        [&](HWND d) {
            DialogFilling = 1;
            SetChecked(d, 1, true);
            DialogFilling = 0;
            EXPECT_EQ(Checks(d), (std::vector<bool>{false, true}));
            EXPECT_EQ(DialogModified, 0u);
            EXPECT_FALSE(Enabled(d, IDC_APPLY));
            // A click on the check box, as the keyboard gives it.
            SetFocus(GetDlgItem(d, IDC_LIST_VIEW));
            Select(d, 1);
            SendDlgItemMessageA(d, IDC_LIST_VIEW, WM_KEYDOWN, VK_SPACE, 0);
            SendDlgItemMessageA(d, IDC_LIST_VIEW, WM_KEYUP, VK_SPACE, 0);
        },
        [&](HWND d) {
            EXPECT_EQ(Checks(d), (std::vector<bool>{false, false}));
            EXPECT_EQ(DialogModified, 1u);
            EXPECT_TRUE(Enabled(d, IDC_APPLY));
            Press(d, IDC_APPLY);
            EXPECT_EQ(DialogModified, 0u);
            EXPECT_FALSE(Enabled(d, IDC_APPLY));
            Press(d, IDC_OK);
        },
    });
}

TEST_F(DialogTest, OnlyPureStateNotificationsCountAndSelectionWinsOverCheck)
{
    List("a.kwl");
    ListRecord* record = nullptr;
    RunDialog({[&](HWND d) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = 1;
        SendDlgItemMessageA(d, IDC_LIST_VIEW, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        record = reinterpret_cast<ListRecord*>(item.lParam);
        TypeHelpTarget(d, "typed");
        DialogModified = 0;
        // Selection and check box at once: shown, not counted as a check change.
        SendItemChanged(d, LVIF_STATE, 0x1000, 0x2000 | LVIS_SELECTED, record);
        EXPECT_EQ(ControlText(d, IDC_LIST_TITLE), "Title");
        EXPECT_EQ(DialogModified, 0u);
        // More than the state changed: ignored.
        SendItemChanged(d, LVIF_STATE | LVIF_TEXT, 0x1000, 0x2000, record);
        EXPECT_EQ(DialogModified, 0u);
        SendItemChanged(d, LVIF_STATE, 0x1000, 0x2000, record);
        EXPECT_EQ(DialogModified, 1u);
        Press(d, IDC_OK);
    }});
}

TEST_F(DialogTest, AnEditedHelpTargetIsStoredWhenItsItemLosesTheSelection)
{
    List("a.kwl");
    List("b.kwl");
    BoxCapture boxes({IDNO});
    RunDialog({[&](HWND d) {
        Select(d, 1);
        EXPECT_EQ(DialogModified, 0u);  // the program's own fill of the edit
        TypeHelpTarget(d, "$D\\a.chm");
        EXPECT_EQ(DialogModified, 1u);
        EXPECT_TRUE(Enabled(d, IDC_APPLY));
        Select(d, 2);
        EXPECT_EQ(ControlText(d, IDC_HELP_TARGET), "");
        Select(d, 1);
        EXPECT_EQ(ControlText(d, IDC_HELP_TARGET), "$D\\a.chm");
        // Cut to the record's 260 bytes.
        TypeHelpTarget(d, std::string(300, 'x').c_str());
        Select(d, 2);
        Select(d, 1);
        EXPECT_EQ(ControlText(d, IDC_HELP_TARGET), std::string(259, 'x'));
        SendMessageA(d, WM_CLOSE, 0, 0);
    }});
}

TEST_F(DialogTest, RecordsAreReleasedWithTheirItemsAndDefaultNever)
{
    List("a.kwl");
    List("b.kwl");
    List("c.kwl");
    int before = RecordBlocks();
    for (int opening = 0; opening < 3; ++opening) {
        RunDialog({[&](HWND d) {
            EXPECT_EQ(RecordBlocks(), before + 3);
            Press(d, IDC_OK);
        }});
        EXPECT_EQ(RecordBlocks(), before);
    }
    EXPECT_STREQ(DefaultListRecord.Name, "default");
    EXPECT_STREQ(DefaultListRecord.Title, "Default");
}

}  // namespace
