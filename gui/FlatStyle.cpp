#include "gui/FlatStyle.h"

#include <QApplication>

namespace mv::gui {

namespace {

// Shared by the main window and the password dialog.
constexpr const char* CommonRules = R"(
QWidget { color: #000000; }
QLabel { background: transparent; }
QLineEdit {
    background: #EAEAEA; border: 1px solid #000000; padding: 1px 3px;
    selection-background-color: #2A5DB0; selection-color: #FFFFFF;
    lineedit-password-character: 42;
}
QLineEdit:disabled { color: #808080; border-color: #A0A0A0; }
QLineEdit[readOnly="true"] { background: #EAEAEA; }
QPushButton, QToolButton {
    background: #EAEAEA; border: 1px solid #000000; padding: 2px 6px;
}
QPushButton:hover, QToolButton:hover { border-color: #2A5DB0; background: #F2F5FA; }
QPushButton:pressed, QToolButton:pressed { background: #D4DCEA; }
QPushButton:focus, QToolButton:focus { border-color: #2A5DB0; }
QPushButton:disabled, QToolButton:disabled { color: #8C8C8C; border-color: #A8A8A8; }
QToolTip { background: #FFFFE1; color: #000000; border: 1px solid #000000; padding: 2px; }
)";

constexpr const char* WindowRules = R"(
#MainForm { background: #EAEAEA; }
#TitleBand { background: #C0C0C0; }
#lblTopCaption { font-weight: bold; }

/* The top row, btnStatus and btnStart draw no frame: all frame colours are the background. */
#btnOptions, #btnHelp, #btnAbout, #btnExit, #btnStatus, #btnStart {
    border: 1px solid #EAEAEA; background: #EAEAEA;
}
#btnOptions:hover, #btnHelp:hover, #btnAbout:hover, #btnExit:hover, #btnStatus:hover,
#btnStart:hover { background: #DDE3EE; border-color: #DDE3EE; }
#btnOptions:pressed, #btnHelp:pressed, #btnAbout:pressed, #btnExit:pressed, #btnStatus:pressed,
#btnStart:pressed { background: #C9D3E6; border-color: #C9D3E6; }
#btnOptions:disabled, #btnHelp:disabled, #btnAbout:disabled, #btnExit:disabled,
#btnStatus:disabled, #btnStart:disabled { border-color: #EAEAEA; background: #EAEAEA; }
#btnStart { font-weight: bold; }
#btnURL { color: #1F3FA8; }
#lblDisclaimer { color: #A00000; }
#DownBar { color: #303030; }

/* The navigation buttons: a black frame, blue when the mouse is over them. */
QToolButton { padding: 1px; }

/* The path fields of the Encrypt and Decrypt pages have a blue frame. */
#edtEncInput, #edtEncOutput, #edtDecInput, #edtDecOutput { border: 1px solid #2A5DB0; }

QGroupBox {
    border: 1px solid #9A9A9A; margin-top: 7px; padding-top: 4px;
}
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; }

QCheckBox { spacing: 2px; background: transparent; }
QRadioButton { spacing: 5px; background: transparent; }
QCheckBox::indicator {
    width: 11px; height: 11px; border: 1px solid #000000; background: #EAEAEA;
}
QCheckBox::indicator:hover { border-color: #2A5DB0; }
QCheckBox::indicator:checked { image: url(:/morvane/check.svg); }
QCheckBox::indicator:disabled { border-color: #A0A0A0; }
QRadioButton::indicator {
    width: 11px; height: 11px; border: 1px solid #000000; border-radius: 6px;
    background: #EAEAEA;
}
QRadioButton::indicator:hover { border-color: #2A5DB0; }
QRadioButton::indicator:checked { image: url(:/morvane/radio.svg); }

QComboBox {
    background: #EAEAEA; border: 1px solid #000000; padding: 1px 4px; min-height: 16px;
}
QComboBox:hover { border-color: #2A5DB0; }
QComboBox::drop-down {
    subcontrol-origin: padding; subcontrol-position: top right; width: 15px;
    border-left: 1px solid #000000;
}
QComboBox::down-arrow { image: url(:/morvane/arrow.svg); width: 9px; height: 5px; }
QComboBox QAbstractItemView {
    background: #FFFFFF; border: 1px solid #000000;
    selection-background-color: #2A5DB0; selection-color: #FFFFFF;
}

QListWidget, QPlainTextEdit {
    background: #EAEAEA; border: 1px solid #000000;
    selection-background-color: #2A5DB0; selection-color: #FFFFFF;
}
QProgressBar {
    background: #EAEAEA; border: 1px solid #000000; text-align: center; height: 16px;
}
QProgressBar::chunk { background: #2A5DB0; }
)";

} // namespace

QFont WindowFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

QString WindowStyleSheet()
{
    return QString::fromLatin1(CommonRules) + QString::fromLatin1(WindowRules);
}

QString DialogStyleSheet()
{
    return QString::fromLatin1(CommonRules) + QStringLiteral("QDialog { background: #EAEAEA; }");
}

QString WaitStyleSheet()
{
    return QStringLiteral(R"(
#formCRC { background: #C0C0C0; }
#Panel1 { background: #EAEAEA; border: 1px solid #808080; }
#GroupBox1 {
    background: #EAEAEA; border: 1px solid #9A9A9A; margin-top: 8px;
}
#GroupBox1::title {
    subcontrol-origin: margin; left: 8px; padding: 0 2px; background: #EAEAEA;
}
#lblFileName { background: transparent; color: #000000; }
)");
}

} // namespace mv::gui
