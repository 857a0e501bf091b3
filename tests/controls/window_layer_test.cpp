// The window layer's subclassed controls: the object sees the control's
// messages before the control, is found from its window, and lets go
// cleanly whether the object or the window goes first, also when someone
// else subclassed the control after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "win/Dialog.h"
#include "win/Window.h"

namespace {

constexpr UINT kProbe = WM_APP + 7;

class CountingStatic : public win::SubclassedWindow {
public:
    bool Create(HWND parent) {
        return CreateControl(0, L"STATIC", L"text", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 20}, parent, 5) !=
               nullptr;
    }
    int probes = 0;
    bool gone = false;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kProbe) {
            ++probes;
            return 42;
        }
        return Default(message, wParam, lParam);
    }
    void OnWindowGone() override { gone = true; }
};

// A second subclass, as another library would put it over ours.
WNDPROC g_below = nullptr;
std::vector<UINT> g_seenAbove;
LRESULT CALLBACK Above(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seenAbove.push_back(message);
    return CallWindowProcW(g_below, hwnd, message, wParam, lParam);
}

class WindowLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parent =
            CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_parent, nullptr);
    }
    void TearDown() override { DestroyWindow(m_parent); }
    HWND m_parent = nullptr;
};

TEST_F(WindowLayerTest, TheObjectSeesMessagesFirstAndTheControlKeepsWorking) {
    CountingStatic control;
    ASSERT_TRUE(control.Create(m_parent));
    HWND hwnd = control.Handle();
    EXPECT_EQ(win::WindowBase::FromHandle(hwnd), &control);
    EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), 42);
    EXPECT_EQ(control.probes, 1);
    // The static control's own procedure still answers.
    wchar_t text[16] = {};
    EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 4);
    EXPECT_STREQ(text, L"text");
    EXPECT_EQ(GetDlgCtrlID(hwnd), 5);
}

TEST_F(WindowLayerTest, WindowDestroyedByItsParentLeavesAHarmlessObject) {
    CountingStatic control;
    ASSERT_TRUE(control.Create(m_parent));
    HWND hwnd = control.Handle();
    DestroyWindow(m_parent);
    m_parent = nullptr;
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(control.gone);
    EXPECT_EQ(control.Handle(), nullptr);
    EXPECT_EQ(win::WindowBase::FromHandle(hwnd), nullptr);
}

TEST_F(WindowLayerTest, ObjectGoingFirstDestroysItsControlEvenUnderAnotherSubclass) {
    auto control = std::make_unique<CountingStatic>();
    ASSERT_TRUE(control->Create(m_parent));
    HWND hwnd = control->Handle();
    g_seenAbove.clear();
    g_below =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Above)));
    ASSERT_NE(g_below, nullptr);
    EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), 42) << "through the outer subclass to the object";

    control.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    // The last messages went through both subclasses to the control.
    ASSERT_FALSE(g_seenAbove.empty());
    EXPECT_EQ(g_seenAbove.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(win::WindowBase::FromHandle(hwnd), nullptr);
}

// A dialog answers a message with whatever its object says, each time:
// the procedure only writes the dialog's message result when it changes.
class AnsweringDialog : public win::Dialog {
public:
    LRESULT answer = 0;

protected:
    bool HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != kProbe)
            return false;
        result = answer;
        return true;
    }
};

TEST_F(WindowLayerTest, DialogsAnswerWithTheirObjectsResult) {
    AnsweringDialog dialog;
    std::vector<WORD> dialogTemplate = win::EmptyDialogTemplate(WS_POPUP, 0, 50, 50);
    HWND hwnd = dialog.CreateIndirect(reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), nullptr);
    ASSERT_NE(hwnd, nullptr);
    for (LRESULT answer : {5, 5, 0, 7, 0, 0, -1}) {
        dialog.answer = answer;
        EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), answer);
    }
    // A message the object leaves alone gets the dialog manager's default.
    EXPECT_EQ(SendMessageW(hwnd, kProbe + 1, 0, 0), 0);
}

TEST_F(WindowLayerTest, ManyControlsComeAndGo) {
    for (int round = 0; round < 3; ++round) {
        std::vector<std::unique_ptr<CountingStatic>> controls;
        for (int i = 0; i < 50; ++i) {
            controls.push_back(std::make_unique<CountingStatic>());
            ASSERT_TRUE(controls.back()->Create(m_parent));
        }
        for (auto& control : controls)
            EXPECT_EQ(SendMessageW(control->Handle(), kProbe, 0, 0), 42);
        // Every other one goes with its object, the rest with the parent.
        std::vector<HWND> windows;
        for (size_t i = 0; i < controls.size(); i += 2) {
            windows.push_back(controls[i]->Handle());
            controls[i].reset();
        }
        for (HWND hwnd : windows)
            EXPECT_EQ(win::WindowBase::FromHandle(hwnd), nullptr);
    }
}

}  // namespace
