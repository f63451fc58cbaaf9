// Choosing the other language on the Options page redraws every caption and hint of the real
// widgets, and the messages that follow speak it.
#include "tests/gui/support/GuiFixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

namespace mv::test {
namespace {

// What the widget itself shows, read from the widget rather than through the window operations.
std::string Shown(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text().toStdString();
    return {};
}

struct TCaption
{
    const char* Control;
    const char* English;
    const char* Romanian;
};

constexpr TCaption Captions[] = {
    {"btnExit", "Exit", "Iesire"},
    {"btnEncrypt", "Encrypt", "Cripteaza"},
    {"btnStatus", "Status >>", "Stare >>"},
    {"GroupBox1", "  Password  ", "  Parola  "},
    {"GroupBox2", "  Quick options  ", "  Optiuni rapide  "},
    {"chkShowHint", "  Show hints (for beginners)", "  Arata mesaje ajutatoare (hints)"},
    {"Label1", "Select algorithm", "Selecteaza algoritmul"},
    {"FlatRadioButton2", "Select path", "Selecteaza director"},
    {"btnTempPath", "Browse...", "Deschide..."},
    {"lblTopCaption", "Options", "Optiuni"},
    {"btnStart", "Encrypt !", "Cripteaza !"},
    {"lblElapsed", "Elapsed time : 0 s", "Au trecut : 0 s"},
    {"lblSpeed", "Encryption speed : 0 KB/s", "Viteza de criptare : 0 KB/s"},
};

class QtLanguage : public TGuiFixture
{
};

TEST_F(QtLanguage, ChoosingALanguageRedrawsTheCaptions)
{
    Create();
    MouseClick("btnOptions");
    const QImage english = window->grab().toImage();
    for (const TCaption& caption : Captions)
        EXPECT_EQ(Shown(W(caption.Control)), caption.English) << caption.Control;

    QTest::keyClick(W("edtLanguage"), Qt::Key_Down); // the user chooses "Romana"
    EXPECT_EQ(variabile.CurrentLanguage, 1);
    for (const TCaption& caption : Captions)
        EXPECT_EQ(Shown(W(caption.Control)), caption.Romanian) << caption.Control;
    // The two-line Romanian hint shows as two lines.
    EXPECT_TRUE(W("edtCipherMode")->toolTip().contains(QLatin1Char('\n')));
    EXPECT_NE(window->grab().toImage(), english) << "the window was redrawn";

    QTest::keyClick(W("edtLanguage"), Qt::Key_Up);
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    for (const TCaption& caption : Captions)
        EXPECT_EQ(Shown(W(caption.Control)), caption.English) << caption.Control;
    EXPECT_FALSE(W("edtCipherMode")->toolTip().contains(QLatin1Char('\n')));
    EXPECT_EQ(window->grab().toImage(), english) << "back to the same window";
}

TEST_F(QtLanguage, MessagesFollowTheLanguage)
{
    Create();
    MouseClick("btnOptions");
    QTest::keyClick(W("edtLanguage"), Qt::Key_Down);
    MouseClick("btnEncrypt");
    answers.PressOk();
    MouseClick("btnStart");
    ASSERT_EQ(answers.Boxes.size(), 1u);
    EXPECT_EQ(answers.Boxes[0].first, "Morvane");
    EXPECT_EQ(answers.Boxes[0].second, "Selectati fisierul de criptat !");
}

} // namespace
} // namespace mv::test
