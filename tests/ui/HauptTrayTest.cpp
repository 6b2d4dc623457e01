// The notification icon, hiding to it, and the application messages.

#include "HauptFixture.h"

using namespace ui;

namespace {

using Texts = std::vector<std::string>;

class Tray : public HauptFixture {
  protected:
    void Create(bool trayMin, bool trayAuto) {
        Put("TrayMin", platform::StoreValue::String(trayMin ? "1" : "0"));
        Put("TrayAuto", platform::StoreValue::String(trayAuto ? "1" : "0"));
        form->FormCreate();
    }
};

TEST_F(Tray, MinimiseAndDoubleClickByOptions) {
    struct Case {
        bool trayMin, trayAuto;
        // after minimising
        bool visible, minimised;
        int icon;
        // after a double-click on the notification icon
        int iconAfterDoubleClick;
    } cases[] = {
        {false, false, true, true, -1, -1},
        {false, true, true, true, -1, 0},
        {true, false, false, false, -1, -1},
        {true, true, false, false, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "TrayMin " << c.trayMin << " TrayAuto " << c.trayAuto);
        view = FakeView{};
        Create(c.trayMin, c.trayAuto);
        EXPECT_TRUE(form->WMSysCommand(kScMinimize | 0x3));  // low bits carry no meaning
        EXPECT_EQ(view.visible, c.visible);
        EXPECT_EQ(view.minimised, c.minimised);
        EXPECT_EQ(view.iconState, c.icon);
        EXPECT_EQ(view.trayIconState, c.icon);

        form->TrayIconMessage(kMouseLeftDoubleClick);
        EXPECT_TRUE(view.visible);
        EXPECT_FALSE(view.minimised);
        EXPECT_EQ(view.iconState, c.iconAfterDoubleClick);
        EXPECT_EQ(view.trayIconState, c.iconAfterDoubleClick);
    }
}

TEST_F(Tray, OtherSystemCommandsAndMouseMessagesAreLeftAlone) {
    Create(true, true);
    EXPECT_FALSE(form->WMSysCommand(0xF030));  // maximise
    EXPECT_FALSE(form->WMSysCommand(0xF060));  // close
    for (std::uint32_t mouse : {0x200u, 0x201u, 0x202u, 0x204u, 0x206u})
        form->TrayIconMessage(mouse);
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.iconState, -1);
    EXPECT_EQ(view.foregroundCalls, 0);
    EXPECT_EQ(view.closeRequests, 0);
}

TEST_F(Tray, RightClickMenuEndsThroughTheCloseSteps) {
    Create(false, false);
    form->TrayIconMessage(kMouseRightUp);
    EXPECT_EQ(view.foregroundCalls, 1);
    EXPECT_EQ(view.closeRequests, 0);  // menu dismissed

    view.trayChoice = TrayChoice::Close;
    form->TrayIconMessage(kMouseRightUp);
    EXPECT_EQ(view.closeRequests, 1);
    // The close request comes back from the window as its close steps.
    Click(Ctl::CheckBDownDel, true);
    ASSERT_TRUE(form->FormCloseQuery());
    form->FormDestroy();
    EXPECT_EQ(Stored("DownDel"), platform::StoreValue::String("1"));
    EXPECT_EQ(view.trayOps.back(), TrayOp::Delete);
}

TEST_F(Tray, IconStates) {
    Create(false, false);
    for (int state : {0, 1, 2, 3, 9}) {
        form->IconAendern(std::uint8_t(state));
        EXPECT_EQ(view.iconState, state);
        EXPECT_EQ(view.trayOps.back(), TrayOp::Modify);
    }
}

TEST_F(Tray, TaskbarRestartAddsTheIconWithTheCurrentState) {
    Create(true, true);
    form->WMSysCommand(kScMinimize);  // hidden, green
    view.trayIconState = -2;          // the shell forgot the icon
    form->TaskbarCreated();
    EXPECT_EQ(view.trayOps.back(), TrayOp::Add);
    EXPECT_EQ(view.trayIconState, 1);
    form->TrayIconMessage(kMouseLeftDoubleClick);  // and the window can come back
    EXPECT_TRUE(view.visible);
}

TEST_F(Tray, ApplicationMessages) {
    Create(false, false);
    EXPECT_EQ(form->WMAppIdentify(), 26057201);

    view.minimised = true;
    form->WMAppActivate();
    EXPECT_FALSE(view.minimised);
    EXPECT_EQ(view.forceForegroundCalls, 1);
    form->WMAppActivate();
    EXPECT_EQ(view.forceForegroundCalls, 2);

    // The hand-over changes nothing the window shows.
    view.atoms[0xC001] = "/S /P:COM3";
    view.log.clear();
    const FakeView before = view;
    form->Safely([&] { form->WMAppHandOver(0xC001); });
    EXPECT_EQ(view.log, Texts{});
    EXPECT_EQ(view.texts, before.texts);
    EXPECT_EQ(view.checks, before.checks);
    EXPECT_FALSE(form->HandleParams("anything", 3));
}

// The activation message brings back a window hidden in the notification
// area, as the icon's double-click does.
TEST_F(Tray, ActivationShowsAHiddenWindow) {
    Create(true, true);
    form->WMSysCommand(kScMinimize);
    ASSERT_FALSE(view.visible);
    ASSERT_EQ(view.trayIconState, 1);
    form->WMAppActivate();
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.iconState, 0);
    EXPECT_EQ(view.trayIconState, 0);
    EXPECT_EQ(view.forceForegroundCalls, 1);
}

TEST_F(Tray, UnreadableAtomRaisesTheSystemError) {
    Create(false, false);
    form->Safely([&] { form->WMAppHandOver(0x1234); });
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, BoxKind::AppError);
    EXPECT_EQ(view.boxes[0].text, "Systemfehler.  Code: 6.\r\nDas Handle ist ungültig.");
    EXPECT_TRUE(view.visible);
}

}  // namespace
