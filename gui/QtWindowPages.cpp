// The contents of the six pages, each page 492 x 226 pixels.
#include "gui/QtWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace mv::gui {

namespace {

QLabel* Wrapped(QWidget* widget)
{
    auto* label = static_cast<QLabel*>(widget);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

void TQtWindow::BuildEncryptPage(QWidget* page)
{
    // The quick options need the page's whole width in Romanian: these two pages sit 4 pixels
    // from their edges.
    Wrapped(Make("Label4", page))->setGeometry(4, 4, 484, 30);
    Make("Label2", page)->setGeometry(4, 36, 300, 16);
    Make("edtEncInput", page)->setGeometry(4, 53, 384, 22);
    Make("btnEncInput", page)->setGeometry(394, 53, 94, 22);
    Make("Label3", page)->setGeometry(4, 80, 300, 16);
    Make("edtEncOutput", page)->setGeometry(4, 97, 384, 22);
    Make("btnEncOutput", page)->setGeometry(394, 97, 94, 22);

    // Two columns of three: the left one as wide as its longest caption in the current language,
    // the right one taking the rest, so both languages fit.
    auto* group = MakeAs<QGroupBox>("GroupBox2", page);
    group->setGeometry(4, 126, 484, 96);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 18, 4, 6);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(3);
    const char* left[] = {"chkEncCompress", "chkEncWipeInput", "chkEncTestOutput"};
    const char* right[] = {"chkIncludePass", "chkIncludeCRC", "chkEncSelfExtract"};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(Make(left[row], group), row, 0);
        grid->addWidget(Make(right[row], group), row, 1);
    }
    grid->setColumnStretch(1, 1);
}

void TQtWindow::BuildDecryptPage(QWidget* page)
{
    Wrapped(Make("Label9", page))->setGeometry(4, 4, 484, 30);
    Make("Label10", page)->setGeometry(4, 36, 300, 16);
    Make("edtDecInput", page)->setGeometry(4, 53, 384, 22);
    Make("btnDecInput", page)->setGeometry(394, 53, 94, 22);
    Make("Label11", page)->setGeometry(4, 80, 300, 16);
    Make("edtDecOutput", page)->setGeometry(4, 97, 384, 22);
    Make("btnDecOutput", page)->setGeometry(394, 97, 94, 22);

    auto* group = MakeAs<QGroupBox>("GroupBox6", page);
    group->setGeometry(4, 126, 484, 73);
    Make("chkDecWipeInput", group)->setGeometry(8, 22, 466, 20);
    Make("chkDecTestOutput", group)->setGeometry(8, 45, 466, 20);
}

void TQtWindow::BuildToolsPage(QWidget* page)
{
    auto* group = MakeAs<QGroupBox>("GroupBox3", page);
    group->setGeometry(8, 2, 476, 192);
    auto* description = MakeAs<QPlainTextEdit>("edtTools", group);
    description->setGeometry(10, 22, 456, 52);
    description->setFrameShape(QFrame::NoFrame);
    Make("lstTools", group)->setGeometry(10, 80, 456, 102);
    auto* path = Wrapped(Make("edtToolsExt", page));
    path->setGeometry(8, 198, 476, 26);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void TQtWindow::BuildOptionsPage(QWidget* page)
{
    auto* algorithm = MakeAs<QGroupBox>("GroupBox4", page);
    algorithm->setGeometry(8, 0, 476, 70);
    Make("Label1", algorithm)->setGeometry(10, 21, 140, 20);
    Make("edtAlgorithm", algorithm)->setGeometry(152, 20, 314, 21);
    Make("Label12", algorithm)->setGeometry(10, 45, 140, 20);
    Make("edtCipherMode", algorithm)->setGeometry(152, 44, 314, 21);

    auto* program = MakeAs<QGroupBox>("GroupBox5", page);
    program->setGeometry(8, 74, 476, 151);
    Make("Label7", program)->setGeometry(10, 21, 140, 20);
    Make("edtLanguage", program)->setGeometry(152, 20, 126, 21);
    Make("btnUpdate", program)->setGeometry(290, 19, 176, 23);
    int top = 46;
    for (const char* name : {"chkAssociate", "chkShowHint", "chk3PassWipe"}) {
        Make(name, program)->setGeometry(8, top, 458, 19);
        top += 20;
    }
    Make("FlatRadioButton1", program)->setGeometry(10, 107, 170, 18);
    Make("FlatRadioButton2", program)->setGeometry(190, 107, 200, 18);
    Make("edtTempPath", program)->setGeometry(10, 126, 356, 20);
    Make("btnTempPath", program)->setGeometry(374, 126, 92, 20);
}

void TQtWindow::BuildAboutPage(QWidget* page)
{
    // Centred, 441 pixels wide.
    constexpr int Left = (492 - 441) / 2;
    auto centred = [&](const char* name, int top, int height) {
        auto* label = static_cast<QLabel*>(Make(name, page));
        label->setGeometry(Left, top, 441, height);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    };
    QFont bold = font();
    bold.setBold(true);
    centred("lblVersion", 8, 18)->setFont(bold);
    centred("Label5", 30, 18)->setFont(bold);
    auto* url = MakeAs<QPushButton>("btnURL", page);
    url->setGeometry(Left + 60, 54, 441 - 120, 22);
    centred("lblCoding", 84, 18);
    centred("lblUsedMemory", 106, 18);
    centred("lblDisclaimer", 134, 88);
}

void TQtWindow::BuildStatusPage(QWidget* page)
{
    // Two lines for the task, whose path may be long.
    auto* task = MakeAs<QLabel>("lblTask", page);
    task->setGeometry(8, 2, 476, 28);
    task->setAlignment(Qt::AlignCenter);
    task->setWordWrap(true);
    Make("ProgressBar1", page)->setGeometry(8, 33, 400, 18);
    Make("btnStop", page)->setGeometry(414, 31, 70, 22);
    int top = 58;
    for (const char* name : {"lblElapsed", "lblRemaining"}) {
        Make(name, page)->setGeometry(8, top, 232, 17);
        top += 19;
    }
    top = 58;
    for (const char* name : {"lblSpeed", "lblRate"}) {
        Make(name, page)->setGeometry(252, top, 232, 17);
        top += 19;
    }
    Make("lstJob", page)->setGeometry(8, 100, 476, 122);
}

} // namespace mv::gui
