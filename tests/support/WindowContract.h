// The contract every implementation of the window operations keeps, as one set of checks written
// against TMainWindow alone: the headless window's tests run it, and the Qt window's test runs the
// same function on the real widgets, so the two cannot drift apart. The window must be fresh (as
// built from app/MainControls.h, no language applied) and must not be attached to a form.
#pragma once

#include "app/MainControls.h"
#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv::test {

// Records what the window reports.
struct TEventRecorder : app::TWindowEvents
{
    std::vector<std::string> Events;
    void OnClick(const std::string& c) override { Events.push_back("click:" + c); }
    void OnDoubleClick(const std::string& c) override { Events.push_back("dblclick:" + c); }
    void OnChange(const std::string& c) override { Events.push_back("change:" + c); }
    void OnShow(const std::string& c) override { Events.push_back("show:" + c); }
    void OnClose() override { Events.push_back("close"); }
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(Events);
        return taken;
    }
};

inline void CheckWindowContract(app::TMainWindow& window)
{
    using Events = std::vector<std::string>;
    TEventRecorder events;
    window.SetEvents(&events);

    // The designed state of the table.
    for (const app::TControlSpec& spec : app::MainControls()) {
        if (spec.Kind == app::TControlKind::Page)
            continue;
        EXPECT_EQ(window.Enabled(spec.Name), spec.Enabled) << spec.Name;
        if (spec.Kind == app::TControlKind::CheckBox ||
            spec.Kind == app::TControlKind::RadioButton) {
            EXPECT_EQ(window.Checked(spec.Name), spec.Checked) << spec.Name;
        }
        if (spec.Text) {
            EXPECT_EQ(window.Text(spec.Name), spec.Text) << spec.Name;
        }
    }
    EXPECT_EQ(window.PageIndex(), app::PageEncrypt);

    // A check box reports its click on every change of state, also from code; the state it
    // already has reports nothing; the program's click toggles it.
    window.SetChecked("chkIncludeCRC", true);
    window.SetChecked("chkIncludeCRC", true);
    EXPECT_TRUE(window.Checked("chkIncludeCRC"));
    window.SetChecked("chkIncludeCRC", false);
    window.Click("chkIncludeCRC");
    EXPECT_TRUE(window.Checked("chkIncludeCRC"));
    EXPECT_EQ(events.Take(),
              (Events{"click:chkIncludeCRC", "click:chkIncludeCRC", "click:chkIncludeCRC"}));

    // Radio buttons: one group; only the one becoming checked reports.
    window.SetChecked("FlatRadioButton2", true);
    EXPECT_FALSE(window.Checked("FlatRadioButton1"));
    window.Click("FlatRadioButton1");
    EXPECT_FALSE(window.Checked("FlatRadioButton2"));
    EXPECT_EQ(events.Take(), (Events{"click:FlatRadioButton2", "click:FlatRadioButton1"}));

    // Setting a list's entries or index from code reports nothing.
    window.SetItems("edtAlgorithm", {"a", "b", "c"});
    EXPECT_EQ(window.ItemIndex("edtAlgorithm"), -1);
    window.SetItemIndex("edtAlgorithm", 2);
    EXPECT_EQ(window.ItemIndex("edtAlgorithm"), 2);
    EXPECT_EQ(window.Items("edtAlgorithm"), (Events{"a", "b", "c"}));
    window.AddItem("lstJob", "line 1");
    window.AddItem("lstJob", "line 2");
    window.SetItemIndex("lstJob", 1);
    EXPECT_EQ(window.Items("lstJob"), (Events{"line 1", "line 2"}));
    EXPECT_EQ(window.ItemIndex("lstJob"), 1);
    EXPECT_TRUE(events.Take().empty());

    // An edit reports every change of its text, also from code; captions report nothing.
    window.SetText("edtEncOutput", "/a");
    window.SetText("edtEncOutput", "/a");
    window.SetText("lblTask", "Task : x");
    window.SetText("btnStart", "Go");
    window.SetText("chkIncludeCRC", "  caption");
    EXPECT_EQ(window.Text("edtEncOutput"), "/a");
    EXPECT_EQ(window.Text("lblTask"), "Task : x");
    EXPECT_EQ(window.Text("btnStart"), "Go");
    EXPECT_EQ(window.Text("chkIncludeCRC"), "  caption") << "leading spaces kept";
    EXPECT_EQ(events.Take(), (Events{"change:edtEncOutput"}));

    // A page reports when it becomes the selected one.
    window.SetPageIndex(app::PageTools);
    window.SetPageIndex(app::PageTools);
    EXPECT_EQ(window.PageIndex(), app::PageTools);
    window.SetPageIndex(app::PageEncrypt);
    EXPECT_EQ(events.Take(), (Events{"show:tabTools", "show:tabEncrypt"}));

    // The program's click on a button reports it, also when the button is disabled.
    window.Click("btnStatus");
    window.Click("btnStop");
    EXPECT_EQ(events.Take(), (Events{"click:btnStatus", "click:btnStop"}));

    // Plain state.
    window.SetHint("edtCipherMode", "line one\r\nline two");
    EXPECT_EQ(window.Hint("edtCipherMode"), "line one\r\nline two");
    window.SetEnabled("btnStart", false);
    EXPECT_FALSE(window.Enabled("btnStart"));
    window.SetEnabled("btnStart", true);
    window.SetPosition("ProgressBar1", 42);
    EXPECT_EQ(window.Position("ProgressBar1"), 42);

    // Closing reports once.
    window.Close();
    EXPECT_EQ(events.Take(), (Events{"close"}));
    window.SetEvents(nullptr);
}

} // namespace mv::test
