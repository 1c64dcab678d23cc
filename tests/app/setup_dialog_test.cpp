#include <gtest/gtest.h>

#include <string>

#include "app/setup_dialog.h"

namespace {

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.dialogTemplate = &setupDialogTemplate();
        dialog.context = &settings;
        setupDialogProc(dialog, DialogMessage::InitDialog, -1);
    }
    // What a click on an auto radio button does to the group.
    void choose(int radio)
    {
        for (int id : {ID_RES_640, ID_RES_800, ID_RES_1024}) Dialog_SetChecked(dialog, id, id == radio);
    }
    bool command(int id) { return setupDialogProc(dialog, DialogMessage::Command, id); }
    Settings settings;
    DialogState dialog;
};

TEST_F(SetupDialog, StartsWith640CheckedAndFullscreenOff)
{
    EXPECT_TRUE(Dialog_IsChecked(dialog, ID_RES_640));
    EXPECT_FALSE(Dialog_IsChecked(dialog, ID_RES_800));
    EXPECT_FALSE(Dialog_IsChecked(dialog, ID_RES_1024));
    EXPECT_FALSE(Dialog_IsChecked(dialog, ID_FULLSCREEN));
    EXPECT_FALSE(dialog.ended);
}

TEST_F(SetupDialog, RunUntouchedGivesA640By480Window)
{
    EXPECT_TRUE(command(ID_RUN));
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(dialog.result, 1);
    EXPECT_EQ(settings.screenWidth, 640);
    EXPECT_EQ(settings.screenHeight, 480);
    EXPECT_EQ(settings.fullScreen, 0);
}

TEST_F(SetupDialog, RunTakesTheChosenResolutionAndFullscreen)
{
    choose(ID_RES_1024);
    Dialog_SetChecked(dialog, ID_FULLSCREEN, true);
    command(ID_RUN);
    EXPECT_EQ(dialog.result, 1);
    EXPECT_EQ(settings.screenWidth, 1024);
    EXPECT_EQ(settings.screenHeight, 768);
    EXPECT_EQ(settings.fullScreen, 1);
}

TEST_F(SetupDialog, WithNoResolutionCheckedTheStoredOneStays)
{
    choose(-1);
    settings.screenWidth = 800;
    settings.screenHeight = 600;
    command(ID_RUN);
    EXPECT_EQ(settings.screenWidth, 800);
    EXPECT_EQ(settings.screenHeight, 600);
}

TEST_F(SetupDialog, ExitAndCloseEndWithZeroAndChangeNothing)
{
    choose(ID_RES_800);
    Dialog_SetChecked(dialog, ID_FULLSCREEN, true);
    EXPECT_FALSE(command(ID_EXIT));
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(dialog.result, 0);
    EXPECT_EQ(settings.screenWidth, 640);
    EXPECT_EQ(settings.fullScreen, 0);

    DialogState closed;
    closed.dialogTemplate = &setupDialogTemplate();
    closed.context = &settings;
    setupDialogProc(closed, DialogMessage::Close, -1);
    EXPECT_TRUE(closed.ended);
    EXPECT_EQ(closed.result, 0);
}

TEST_F(SetupDialog, EscapesCancelAndOtherCommandsAreIgnored)
{
    EXPECT_FALSE(command(DIALOG_CANCEL_COMMAND));
    EXPECT_FALSE(command(ID_FULLSCREEN));
    EXPECT_FALSE(command(ID_RES_800));
    EXPECT_FALSE(dialog.ended);
}

// The display's own mode is offered under the three when it is none of them,
// and Run takes it.
TEST(SetupDialogDisplayMode, IsOfferedWhenItIsNoneOfTheThree)
{
    const struct {
        int32_t width, height;
        bool offered;
    } cases[] = {{1920, 1080, true}, {1280, 1024, true}, {1024, 768, false}, {0, 0, false}};
    for (const auto& c : cases) {
        Settings settings;
        settings.displayWidth = c.width;
        settings.displayHeight = c.height;
        const DialogTemplate& t = setupDialogTemplate(settings);
        SCOPED_TRACE(c.width);
        ASSERT_EQ(t.controlCount, c.offered ? 9 : 8);
        DialogState dialog;
        dialog.dialogTemplate = &t;
        dialog.context = &settings;
        setupDialogProc(dialog, DialogMessage::InitDialog, -1);
        if (!c.offered) continue;
        EXPECT_EQ(std::string(t.controls[8].text), std::to_string(c.width) + " x " + std::to_string(c.height));
        // Inside the taller group box and dialog.
        EXPECT_LE(t.controls[8].y + t.controls[8].height, t.controls[4].y + t.controls[4].height);
        EXPECT_LE(t.controls[4].y + t.controls[4].height, t.height);
        Dialog_SetChecked(dialog, ID_RES_640, false);
        Dialog_SetChecked(dialog, ID_RES_DISPLAY, true);
        setupDialogProc(dialog, DialogMessage::Command, ID_RUN);
        EXPECT_EQ(settings.screenWidth, c.width);
        EXPECT_EQ(settings.screenHeight, c.height);
    }
}

TEST(SetupDialogTemplate, HasTheControlsInTemplateOrder)
{
    const DialogTemplate& t = setupDialogTemplate();
    EXPECT_EQ(t.width, 128);
    EXPECT_EQ(t.height, 70);
    ASSERT_EQ(t.controlCount, 8);
    EXPECT_STREQ(t.controls[0].text, "Fullscreen");
    EXPECT_EQ(t.controls[1].kind, DialogControlKind::DefaultButton);
    EXPECT_STREQ(t.controls[1].text, "Run");
    EXPECT_STREQ(t.controls[2].text, "Exit");
    EXPECT_STREQ(t.controls[3].text, "If you really want it");
    EXPECT_STREQ(t.controls[4].text, "Resolution");
    EXPECT_STREQ(t.controls[5].text, "640 x 480");
    EXPECT_STREQ(t.controls[6].text, "800 x 600");
    EXPECT_STREQ(t.controls[7].text, "1024 x 768");
    EXPECT_GT(t.fontSize, 0u);
}

}  // namespace
