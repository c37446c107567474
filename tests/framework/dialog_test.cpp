// CDialog from a dialog resource: modal runs ended by posted commands, the message filter of
// the modal loop, and modeless dialogs in the application's loop.
#include "framework/dialog.h"

#include <gtest/gtest.h>

#include "framework/controls.h"
#include "tests/framework/pump.h"
#include "tests/framework/test_dialogs.h"

namespace {

const UINT kEndWith42 = 1042;

// Posts one command to itself once it is up, records what happens.
class TestDialog : public CDialog {
public:
    explicit TestDialog(WPARAM command) : CDialog(IDD_TEST), m_command(command) {}
    int m_nInit = 0, m_nOK = 0, m_nCancel = 0, m_nKeys = 0;
    bool m_bEditSubclassed = false;
    std::wstring m_strTitle;
    CEdit m_edit;

protected:
    BOOL OnInitDialog() override {
        ++m_nInit;
        m_strTitle = GetWindowText();
        m_bEditSubclassed = m_edit.SubclassDlgItem(IDC_TEST_EDIT, this);
        // A key for the edit control first, then the command: the key must pass the filter.
        ::PostMessageW(m_edit.m_hWnd, WM_KEYDOWN, 'A', 0);
        PostMessage(WM_COMMAND, m_command, 0);
        return TRUE;
    }
    void OnOK() override {
        ++m_nOK;
        CDialog::OnOK();
    }
    void OnCancel() override {
        ++m_nCancel;
        CDialog::OnCancel();
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kEndWith42) {
            EndDialog(42);
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN && pMsg->hwnd == m_edit.m_hWnd) ++m_nKeys;
        return CDialog::PreTranslateMessage(pMsg);
    }

private:
    WPARAM m_command;
};

TEST(CDialog, ModalDialogEndsByAPostedCommand) {
    const struct {
        WPARAM command;
        INT_PTR result;
        int ok, cancel;
    } cases[] = {
        {IDOK, IDOK, 1, 0},
        {IDCANCEL, IDCANCEL, 0, 1},
        {kEndWith42, 42, 0, 0},
    };
    for (const auto& c : cases) {
        TestDialog dlg(c.command);
        EXPECT_EQ(dlg.DoModal(), c.result) << c.command;
        EXPECT_EQ(dlg.m_nInit, 1);
        EXPECT_EQ(dlg.m_nOK, c.ok);
        EXPECT_EQ(dlg.m_nCancel, c.cancel);
        EXPECT_EQ(dlg.m_strTitle, L"Framework test");
        EXPECT_TRUE(dlg.m_bEditSubclassed);
        EXPECT_EQ(dlg.m_nKeys, 1) << "the modal loop's messages pass PreTranslateMessage";
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_nModalResult, c.result);
    }
}

TEST(CDialog, MissingTemplateFails) {
    CDialog dlg(9999);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.Create(9999));
}

TEST(CDialog, NestedModalDialogs) {
    // The outer dialog runs an inner one from its OnOK; both end in order.
    class Outer : public TestDialog {
    public:
        Outer() : TestDialog(IDOK) {}
        INT_PTR m_inner = 0;

    protected:
        void OnOK() override {
            TestDialog inner(kEndWith42);
            m_inner = inner.DoModal();
            TestDialog::OnOK();
        }
    } outer;
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(outer.m_inner, 42);
}

TEST(CDialog, ModelessDialogLivesInTheCallersLoopUntilEnded) {
    TestDialog dlg(kEndWith42);
    ASSERT_TRUE(dlg.Create(IDD_TEST));
    ASSERT_NE(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_nInit, 1);
    EXPECT_TRUE(PumpUntil([&] { return dlg.m_hWnd == nullptr; }));
    EXPECT_EQ(dlg.m_nModalResult, 42);
    EXPECT_EQ(dlg.m_nKeys, 1);

    // Destroyed with its object while still open.
    HWND hWnd;
    {
        TestDialog open(0);
        ASSERT_TRUE(open.Create(IDD_TEST));
        hWnd = open.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

}  // namespace
