// The password confirmation dialog's geometry and its query.
#include "app/PasswordQuery.h"

#include "app/HeadlessWindow.h"

#include <gtest/gtest.h>

namespace mv::test {
namespace {

using app::TRect;

TEST(PasswordDialog, LayoutOfASixByThirteenCell)
{
    const app::TPasswordDialogLayout layout = app::PasswordDialogLayout({6, 13});
    EXPECT_EQ(layout.ClientWidth, 270);
    EXPECT_EQ(layout.ClientHeight, 102); // 63 * 13 / 8 = 102.375
    EXPECT_EQ(layout.PromptLeft, 12);
    EXPECT_EQ(layout.PromptTop, 13);
    EXPECT_EQ(layout.Edit, (TRect{12, 31, 246, 0})); // 19 * 13 / 8 = 30.875
    EXPECT_EQ(layout.Ok, (TRect{57, 67, 75, 23}));   // 41 * 13 / 8 = 66.625, 14 * 13 / 8 = 22.75
    EXPECT_EQ(layout.Cancel, (TRect{138, 67, 75, 23}));
    EXPECT_EQ(layout.MaxLength, 255);
}

TEST(PasswordDialog, HalvesRoundAwayFromZero)
{
    // 7 * 38 / 4 = 66.5 and 7 * 50 / 4 = 87.5; 4 * 63 / 8 = 31.5, 4 * 19 / 8 = 9.5.
    const app::TPasswordDialogLayout layout = app::PasswordDialogLayout({7, 4});
    EXPECT_EQ(layout.Ok.Left, 67);
    EXPECT_EQ(layout.Ok.Width, 88);
    EXPECT_EQ(layout.ClientWidth, 315);
    EXPECT_EQ(layout.ClientHeight, 32);
    EXPECT_EQ(layout.Edit.Top, 10);
    EXPECT_EQ(layout.Ok.Height, 7);
}

TEST(PasswordDialog, AverageCellDropsTheRemainder)
{
    EXPECT_EQ(app::AverageCharSize(app::TTextExtent{363, 16}).X, 6); // 363 / 52 = 6.98
    EXPECT_EQ(app::AverageCharSize(app::TTextExtent{363, 16}).Y, 16);
    app::THeadlessWindow window;
    window.SetDialogCharCell(7, 15);
    const app::TCharSize cell = app::AverageCharSize(window);
    EXPECT_EQ(cell.X, 7);
    EXPECT_EQ(cell.Y, 15);
}

TEST(PasswordDialog, QueryReturnsTheTextOnOkAndLeavesTheValueOnCancel)
{
    app::THeadlessWindow window;
    std::string value = "before";
    window.QueuePasswordAnswer(std::nullopt);
    EXPECT_FALSE(app::PasswordQuery(window, "Confirm", "Prompt : ", value));
    EXPECT_EQ(value, "before");
    window.QueuePasswordAnswer("typed");
    EXPECT_TRUE(app::PasswordQuery(window, "Confirm", "Prompt : ", value));
    EXPECT_EQ(value, "typed");
    window.QueuePasswordAnswer("");
    EXPECT_TRUE(app::PasswordQuery(window, "Confirm", "Prompt : ", value));
    EXPECT_EQ(value, "") << "an empty confirmation with OK is a result";

    ASSERT_EQ(window.PasswordDialogs().size(), 3u);
    const app::TPasswordDialog& shown = window.PasswordDialogs()[0];
    EXPECT_EQ(shown.Caption, "Confirm");
    EXPECT_EQ(shown.Prompt, "Prompt : ");
    EXPECT_EQ(shown.Value, "before");
    EXPECT_EQ(shown.Layout.ClientWidth, 270) << "the headless font's cell is 6 x 13";
}

} // namespace
} // namespace mv::test
