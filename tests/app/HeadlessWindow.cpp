// The headless window keeps the toolkit behaviours the handlers rely on, and refuses what a real
// window would not take.
#include "app/HeadlessWindow.h"
#include "tests/support/WindowContract.h"

#include <gtest/gtest.h>

namespace mv::test {
namespace {

using app::THeadlessWindow;

TEST(HeadlessContract, KeepsTheWindowContract)
{
    THeadlessWindow window;
    CheckWindowContract(window);
    EXPECT_TRUE(window.IsClosed());
}

class Headless : public ::testing::Test
{
protected:
    Headless() { window.SetEvents(&events); }
    THeadlessWindow window;
    TEventRecorder events;
};

TEST_F(Headless, CheckBoxReportsEveryChangeOfStateAlsoFromCode)
{
    window.SetChecked("chkIncludeCRC", true);
    window.SetChecked("chkIncludeCRC", true); // the state it has: nothing
    window.SetChecked("chkIncludeCRC", false);
    window.Click("chkIncludeCRC"); // a click toggles
    EXPECT_EQ(events.Events, (std::vector<std::string>{"click:chkIncludeCRC", "click:chkIncludeCRC",
                                                       "click:chkIncludeCRC"}));
    EXPECT_TRUE(window.Checked("chkIncludeCRC"));
}

TEST_F(Headless, SettingAListIndexReportsNothingChoosingOneDoes)
{
    window.SetItems("edtAlgorithm", {"a", "b", "c"});
    window.SetItemIndex("edtAlgorithm", 2);
    EXPECT_EQ(window.ItemIndex("edtAlgorithm"), 2);
    EXPECT_TRUE(events.Events.empty());
    window.SetItemIndex("edtAlgorithm", 7);
    EXPECT_EQ(window.ItemIndex("edtAlgorithm"), -1) << "outside the items: no selection";
    window.SetPageIndex(3);
    events.Events.clear();
    EXPECT_TRUE(window.UserSelect("edtAlgorithm", 1));
    EXPECT_EQ(events.Events, std::vector<std::string>{"change:edtAlgorithm"});
    EXPECT_FALSE(window.UserSelect("edtAlgorithm", 3));
}

TEST_F(Headless, EditReportsTextChangesButtonsAndLabelsDoNot)
{
    window.SetText("edtEncOutput", "/a");
    window.SetText("edtEncOutput", "/a");
    window.SetText("lblTask", "x");
    window.SetText("btnStart", "y");
    EXPECT_EQ(events.Events, std::vector<std::string>{"change:edtEncOutput"});
}

TEST_F(Headless, RadioButtonsFormOneGroup)
{
    EXPECT_TRUE(window.Checked("FlatRadioButton1"));
    window.Click("FlatRadioButton2");
    EXPECT_FALSE(window.Checked("FlatRadioButton1"));
    EXPECT_TRUE(window.Checked("FlatRadioButton2"));
    window.Click("FlatRadioButton2"); // already checked: nothing
    window.SetChecked("FlatRadioButton1", true);
    EXPECT_FALSE(window.Checked("FlatRadioButton2"));
    EXPECT_EQ(events.Events,
              (std::vector<std::string>{"click:FlatRadioButton2", "click:FlatRadioButton1"}));
}

TEST_F(Headless, PagesReportWhenTheyBecomeVisible)
{
    window.SetPageIndex(0); // already shown
    window.SetPageIndex(2);
    window.SetPageIndex(9); // no such page
    EXPECT_EQ(window.PageIndex(), 2);
    EXPECT_EQ(events.Events, std::vector<std::string>{"show:tabTools"});
}

TEST_F(Headless, UserActionsLandOnlyWhereAUserCouldReach)
{
    EXPECT_TRUE(window.UserClick("btnEncInput")); // Encrypt page shown
    EXPECT_FALSE(window.UserClick("btnDecInput")) << "on a hidden page";
    EXPECT_FALSE(window.UserClick("btnStop")) << "disabled by design";
    EXPECT_FALSE(window.UserType("edtEncInput", "/x")) << "read-only";
    EXPECT_TRUE(window.UserType("edtEncOutput", "/x"));
    window.SetWindowEnabled(false);
    EXPECT_FALSE(window.UserClick("btnStart")) << "the whole window disabled";
    window.SetWindowEnabled(true);
    window.Click("btnStop"); // the program's click runs also on a disabled control
    EXPECT_EQ(events.Events, (std::vector<std::string>{"click:btnEncInput", "change:edtEncOutput",
                                                       "click:btnStop"}));
}

TEST_F(Headless, UnknownNamesAndWrongOperationsThrow)
{
    EXPECT_THROW(window.SetText("btnStrat", "x"), app::EUnknownControl);
    EXPECT_THROW(window.Checked("btnStart"), app::EUnknownControl);
    EXPECT_THROW(window.SetPosition("lblTask", 3), app::EUnknownControl);
    EXPECT_THROW(window.SetItemIndex("edtPassword", 0), app::EUnknownControl);
}

TEST_F(Headless, CloseReportsOnceAndScriptedAnswersComeInOrder)
{
    window.QueueConfirm(engine::TAnswer::No);
    EXPECT_EQ(window.Confirm("q1"), engine::TAnswer::No);
    EXPECT_EQ(window.Confirm("q2"), engine::TAnswer::Yes);
    window.QueueChooserAnswer("/a");
    EXPECT_EQ(window.OpenFileDialog("f"), std::optional<std::string>("/a"));
    EXPECT_EQ(window.BrowseFolder("p"), std::nullopt);
    EXPECT_EQ(window.ChooserRequests(), (std::vector<std::string>{"open:f", "folder:p"}));
    window.Close();
    window.Close();
    EXPECT_EQ(events.Events, std::vector<std::string>{"close"});
    EXPECT_FALSE(window.UserClick("btnExit"));
}

TEST_F(Headless, PasswordDialogTakesAtMost255Characters)
{
    window.QueuePasswordAnswer(std::string(300, 'a'));
    app::TPasswordDialog dialog;
    EXPECT_EQ(window.RunPasswordDialog(dialog), std::string(255, 'a'));
}

} // namespace
} // namespace mv::test
