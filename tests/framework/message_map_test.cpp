// Message maps: entries bind messages to handlers, a derived class's entry
// comes before its base's, and what no map lists goes to default processing.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "framework/afxwin.h"

namespace {

class BaseWnd : public CWnd {
public:
    std::vector<std::string> calls;

protected:
    afx_msg void OnFirst() { calls.push_back("base first"); }
    afx_msg void OnSecond() { calls.push_back("base second"); }
    afx_msg void OnPaint() { calls.push_back("base paint"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_BN_CLICKED(1, OnFirst)
ON_BN_CLICKED(2, OnSecond)
ON_WM_PAINT()
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    UINT sysCommandId = 0;
    LPARAM sysCommandParam = 0;

protected:
    afx_msg void OnFirstAgain() { calls.push_back("derived first"); }
    afx_msg void OnMenuCommand() { calls.push_back("derived command"); }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam) {
        sysCommandId = nID;
        sysCommandParam = lParam;
    }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1234); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
ON_BN_CLICKED(1, OnFirstAgain)
ON_COMMAND(7, OnMenuCommand)
ON_WM_SYSCOMMAND()
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

} // namespace

TEST(MessageMap, DerivedEntriesComeFirstAndBaseEntriesStillApply) {
    DerivedWnd wnd;
    wnd.WindowProc(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
    wnd.WindowProc(WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
    wnd.WindowProc(WM_PAINT, 0, 0);
    wnd.WindowProc(WM_COMMAND, MAKEWPARAM(7, 0), 0);
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"derived first", "base second", "base paint",
                                                   "derived command"}));
}

TEST(MessageMap, HandlersGetTheMessageParametersAndReturnTheirResult) {
    DerivedWnd wnd;
    wnd.WindowProc(WM_SYSCOMMAND, 0xF012, 0x00420017);
    EXPECT_EQ(wnd.sysCommandId, 0xF012u);
    EXPECT_EQ(wnd.sysCommandParam, 0x00420017);
    EXPECT_EQ(wnd.WindowProc(WM_QUERYDRAGICON, 0, 0), 0x1234);
}

TEST(MessageMap, UnlistedCommandsAndNotificationsAreNotHandled) {
    DerivedWnd wnd;
    EXPECT_FALSE(wnd.OnCmdMsg(3, BN_CLICKED));
    // Same id, other notification code: not a click.
    EXPECT_FALSE(wnd.OnCmdMsg(1, 5));
    EXPECT_TRUE(wnd.OnCmdMsg(1, BN_CLICKED));
    EXPECT_TRUE(wnd.calls == std::vector<std::string>{"derived first"});
}
