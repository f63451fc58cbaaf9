// The Qt window against the contract the headless window keeps, and what only the real window
// has: its frame, its regions, every control as a widget on its page, the captions fitting their
// controls, the events of real mouse clicks and keys, hints, and the window manager's close.
#include "app/HeadlessWindow.h"
#include "app/Languages.h"
#include "tests/gui/support/GuiFixture.h"
#include "tests/support/WindowContract.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStyle>
#include <QTest>
#include <QToolTip>

namespace mv::test {
namespace {

// ---- One contract, two windows -----------------------------------------------------------------

template <class TWindow> class WindowContract : public ::testing::Test
{
};

using Windows = ::testing::Types<app::THeadlessWindow, gui::TQtWindow>;
TYPED_TEST_SUITE(WindowContract, Windows);

TYPED_TEST(WindowContract, KeepsTheSameContract)
{
    TypeParam window;
    CheckWindowContract(window);
}

// ---- The frame and the regions -----------------------------------------------------------------

TEST(QtWindowFrame, FixedCaptionedWindowWithoutCloseBox)
{
    gui::TQtWindow window;
    EXPECT_EQ(window.windowTitle().toStdString(), app::WindowCaption);
    EXPECT_EQ(window.size(), QSize(600, 410));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    // The background between the regions is the window's light grey.
    window.show();
    const QImage image = window.grab().toImage();
    EXPECT_EQ(image.pixelColor(98, 200), QColor(0xEA, 0xEA, 0xEA));
    EXPECT_EQ(image.pixelColor(320, 20), QColor(0xEA, 0xEA, 0xEA));
}

TEST(QtWindowFrame, EveryControlIsAWidgetOnItsPage)
{
    gui::TQtWindow window;
    auto* pages = window.findChild<QStackedWidget*>(QStringLiteral("PageControl1"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->count(), app::PageCount);
    for (const app::TControlSpec& spec : app::MainControls()) {
        QWidget* widget = window.Widget(spec.Name);
        ASSERT_NE(widget, nullptr) << spec.Name;
        EXPECT_EQ(widget->objectName().toStdString(), spec.Name);
        if (spec.Kind == app::TControlKind::Page)
            continue; // checked below, by index
        QWidget* page = spec.Page == app::NoPage ? nullptr : pages->widget(spec.Page);
        if (page) {
            EXPECT_TRUE(page->isAncestorOf(widget)) << spec.Name << " on page " << spec.Page;
        } else {
            EXPECT_FALSE(pages->isAncestorOf(widget)) << spec.Name << " belongs to no page";
        }
    }
    for (int index = 0; index < app::PageCount; ++index)
        EXPECT_EQ(pages->widget(index)->objectName().toStdString(), app::PageName(index));
    // The password field shows stars; the read-only fields take no typing.
    auto* password = static_cast<QLineEdit*>(window.Widget("edtPassword"));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(
        password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
        '*');
    for (const char* name : {"edtEncInput", "edtDecInput", "edtDecOutput", "edtTempPath"})
        EXPECT_TRUE(static_cast<QLineEdit*>(window.Widget(name))->isReadOnly()) << name;
    EXPECT_FALSE(static_cast<QLineEdit*>(window.Widget("edtEncOutput"))->isReadOnly());
}

// Siblings of one parent must not overlap, and every control must lie inside its parent.
TEST(QtWindowFrame, ControlsNeitherOverlapNorLeaveTheirParent)
{
    gui::TQtWindow window;
    window.show(); // lays out the groups that arrange their own controls
    QCoreApplication::processEvents();
    std::vector<QWidget*> widgets;
    for (const app::TControlSpec& spec : app::MainControls())
        if (spec.Kind != app::TControlKind::Page)
            widgets.push_back(window.Widget(spec.Name));
    for (QWidget* widget : widgets) {
        const QRect inside = widget->parentWidget()->rect();
        EXPECT_TRUE(inside.contains(widget->geometry()))
            << widget->objectName().toStdString() << " leaves its parent";
        for (QWidget* other : widgets) {
            if (other != widget && other->parentWidget() == widget->parentWidget()) {
                EXPECT_FALSE(widget->geometry().intersects(other->geometry()))
                    << widget->objectName().toStdString() << " overlaps "
                    << other->objectName().toStdString();
            }
        }
    }
}

// Every single-line caption fits its control in both languages.
TEST(QtWindowFrame, CaptionsFitTheirControlsInBothLanguages)
{
    gui::TQtWindow window;
    window.show();
    app::TVariabile variabile;
    for (int language : {0, 1}) {
        app::ApplyLanguage(window, variabile, language);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (const app::TControlSpec& spec : app::MainControls()) {
            QWidget* widget = window.Widget(spec.Name);
            const std::string name = spec.Name;
            int needed = 0;
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                needed = button->sizeHint().width();
            else if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap())
                needed = label->sizeHint().width();
            else if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << name << " in language " << language;
            else if (auto* group = qobject_cast<QGroupBox*>(widget))
                needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
            if (getenv("MV_PRINT_WIDTHS"))
                printf("%s %d %d/%d\n", spec.Name, language, needed, widget->width());
            EXPECT_LE(needed, widget->width())
                << name << " in language " << language << ": \"" << window.Text(name) << "\"";
        }
    }
}

// ---- Real input --------------------------------------------------------------------------------

class QtWindowInput : public ::testing::Test
{
protected:
    gui::TQtWindow window;
    TEventRecorder events;
    void SetUp() override
    {
        window.SetEvents(&events);
        window.show();
        QCoreApplication::processEvents();
    }
    void TearDown() override { window.SetEvents(nullptr); }
    void Click(const char* name, QPoint at = {})
    {
        QWidget* widget = window.Widget(name);
        QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
    }
};

TEST_F(QtWindowInput, MouseAndKeysReportTheirEvents)
{
    using Events = std::vector<std::string>;
    Click("btnOptions");
    Click("chkIncludeCRC", QPoint(6, 10));
    EXPECT_TRUE(window.Checked("chkIncludeCRC"));
    QTest::keyClicks(window.Widget("edtEncOutput"), "ab");
    EXPECT_EQ(events.Take(), (Events{"click:btnOptions", "click:chkIncludeCRC",
                                     "change:edtEncOutput", "change:edtEncOutput"}));
    // The user's choice in a drop-down list reports; the program's does not.
    window.SetItems("edtLanguage", {"English", "Romana"});
    window.SetItemIndex("edtLanguage", 0);
    window.SetPageIndex(app::PageOptions);
    events.Take();
    QTest::keyClick(window.Widget("edtLanguage"), Qt::Key_Down);
    EXPECT_EQ(window.ItemIndex("edtLanguage"), 1);
    EXPECT_EQ(events.Take(), (Events{"change:edtLanguage"}));
    // A disabled control takes no click; the pictures report clicks and double-clicks.
    window.SetEnabled("btnExit", false);
    Click("btnExit");
    QTest::mouseDClick(window.Widget("Image1"), Qt::LeftButton);
    const Events got = events.Take();
    EXPECT_EQ(std::count(got.begin(), got.end(), "dblclick:Image1"), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), "click:btnExit"), 0);
}

TEST_F(QtWindowInput, HintsShowOnlyWhenSwitchedOn)
{
    QWidget* exit = window.Widget("btnExit");
    window.SetHint("btnExit", "Leave");
    auto hover = [&] {
        QHelpEvent help(QEvent::ToolTip, exit->rect().center(),
                        exit->mapToGlobal(exit->rect().center()));
        QApplication::sendEvent(exit, &help);
        return QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Leave");
    };
    EXPECT_FALSE(hover());
    window.SetShowHints(true);
    EXPECT_TRUE(hover());
    QToolTip::hideText();
    // A two-line hint keeps its text and shows as two lines.
    window.SetHint("btnExit", "one\r\ntwo");
    EXPECT_EQ(window.Hint("btnExit"), "one\r\ntwo");
    EXPECT_EQ(exit->toolTip(), QStringLiteral("one\ntwo"));
}

TEST_F(QtWindowInput, CloseRequestActsAsExitOnlyWhenExitCouldBePressed)
{
    window.close(); // as the window manager asks
    QTest::qWait(20);
    EXPECT_TRUE(window.isVisible()) << "the request itself closes nothing";
    EXPECT_EQ(events.Take(), std::vector<std::string>{"click:btnExit"});
    window.SetEnabled("btnExit", false); // a job runs
    window.close();
    QTest::qWait(20);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(events.Take().empty());
    // The logic's Close reports once and closes.
    window.Close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(events.Take(), std::vector<std::string>{"close"});
}

// A job changes the Status page after every step; the window draws a few of those changes a
// second, and always the last one.
TEST_F(QtWindowInput, RepaintsAreHeldBackButTheLastChangeIsPainted)
{
    window.SetPageIndex(app::PageStatus);
    QTest::qWait(50);
    struct TPaintCounter : QObject
    {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            Paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    QWidget* label = window.Widget("lblElapsed");
    label->installEventFilter(&counter);
    constexpr int Steps = 500;
    for (int step = 0; step < Steps; ++step) {
        window.SetText("lblElapsed", "Elapsed time : " + std::to_string(step) + " s");
        window.ProcessMessages();
    }
    EXPECT_LT(counter.Paints, Steps / 2);
    const int during = counter.Paints;
    QTest::qWait(100);
    EXPECT_GT(counter.Paints, during) << "the last text was painted after the burst";
    EXPECT_EQ(window.Text("lblElapsed"), "Elapsed time : 499 s");
    label->removeEventFilter(&counter);
}

} // namespace
} // namespace mv::test
