// The widgets of the main window and where they sit. The window has a fixed client area of
// 600 x 410 pixels, so every region is placed at fixed coordinates, drawn for the window's 8-point
// font; the page contents are laid out inside their page the same way.
#include "gui/FlatStyle.h"
#include "gui/Picture.h"
#include "gui/QtWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>

#include <stdexcept>
#include <string_view>

namespace mv::gui {

namespace {

using K = app::TControlKind;

// The buttons that carry a picture above their caption, with the picture's file and size.
struct TPictureButton
{
    std::string_view Name;
    const char* Picture;
    int Size;
};

constexpr TPictureButton PictureButtons[] = {
    {"btnOptions", "options.svg", 18}, {"btnHelp", "help.svg", 18},
    {"btnAbout", "about.svg", 18},     {"btnExit", "exit.svg", 18},
    {"btnEncrypt", "encrypt.svg", 30}, {"btnDecrypt", "decrypt.svg", 30},
    {"btnTools", "tools.svg", 30},
};

const TPictureButton* FindPictureButton(std::string_view name)
{
    for (const TPictureButton& button : PictureButtons)
        if (button.Name == name)
            return &button;
    return nullptr;
}

QLabel* PlainLabel(QLabel* label)
{
    // Labels show the logic's texts as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

QWidget* TQtWindow::Make(const char* name, QWidget* parent)
{
    const app::TControlSpec* spec = app::FindControl(name);
    if (!spec)
        throw std::logic_error(std::string("no control named ") + name);
    QWidget* widget = nullptr;
    switch (spec->Kind) {
    case K::Button:
        if (const TPictureButton* picture = FindPictureButton(name)) {
            auto* button = new QToolButton(parent);
            button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button->setIcon(PictureIcon(QString::fromLatin1(picture->Picture),
                                        QSize(picture->Size, picture->Size)));
            button->setIconSize(QSize(picture->Size, picture->Size));
            button->setFocusPolicy(Qt::StrongFocus);
            widget = button;
        } else {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            widget = button;
        }
        widget->setCursor(Qt::PointingHandCursor);
        break;
    case K::Label:
        widget = PlainLabel(new QLabel(parent));
        break;
    case K::GroupBox:
        widget = new QGroupBox(parent);
        break;
    case K::Edit:
    case K::ReadOnlyEdit:
    case K::PasswordEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(spec->Kind == K::ReadOnlyEdit);
        if (spec->Kind == K::PasswordEdit)
            edit->setEchoMode(QLineEdit::Password);
        widget = edit;
        break;
    }
    case K::CheckBox:
        widget = new QCheckBox(parent);
        break;
    case K::RadioButton:
        widget = new QRadioButton(parent);
        break;
    case K::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        widget = combo;
        break;
    }
    case K::ListBox:
        widget = new QListWidget(parent);
        break;
    case K::Memo: {
        auto* memo = new QPlainTextEdit(parent);
        memo->setReadOnly(true);
        widget = memo;
        break;
    }
    case K::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        widget = bar;
        break;
    }
    case K::Image:
        widget = new TPicture(parent);
        break;
    case K::Page:
        widget = new QWidget(parent);
        break;
    }
    widget->setObjectName(QString::fromLatin1(name));
    controls_[name] = TControl{spec, widget, {}};
    if (spec->Text)
        SetText(name, spec->Text);
    if (spec->Kind == K::CheckBox || spec->Kind == K::RadioButton)
        static_cast<QAbstractButton*>(widget)->setChecked(spec->Checked);
    widget->setEnabled(spec->Enabled);
    Connect(name, widget, spec->Kind);
    return widget;
}

void TQtWindow::Connect(const std::string& name, QWidget* widget, K kind)
{
    switch (kind) {
    case K::Button:
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, name] { ReportClick(name); });
        break;
    case K::CheckBox:
        // Every change of state, the program's included.
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled, this,
                [this, name] { ReportClick(name); });
        break;
    case K::RadioButton:
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled, this,
                [this, name](bool checked) {
                    if (checked)
                        ReportClick(name);
                });
        break;
    case K::Edit:
    case K::ReadOnlyEdit:
    case K::PasswordEdit:
        connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this, [this, name] {
            if (events_)
                events_->OnChange(name);
        });
        break;
    case K::ComboBox:
        // The user's choice only; the program sets the index without a report.
        connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this, [this, name] {
            if (events_)
                events_->OnChange(name);
        });
        break;
    case K::ListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        connect(list, &QListWidget::itemClicked, this, [this, name] { ReportClick(name); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, name] {
            if (events_)
                events_->OnDoubleClick(name);
        });
        break;
    }
    case K::Image: {
        auto* picture = static_cast<TPicture*>(widget);
        picture->OnClick = [this, name] { ReportClick(name); };
        picture->OnDoubleClick = [this, name] {
            if (events_)
                events_->OnDoubleClick(name);
        };
        break;
    }
    default:
        break;
    }
}

void TQtWindow::BuildWindow()
{
    setObjectName(QStringLiteral("MainForm"));
    setAttribute(Qt::WA_StyledBackground);
    // A fixed, titled window without a close box, system menu, minimise or maximise button,
    // where the window manager honours the hints.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromLatin1(app::WindowCaption));
    setFixedSize(600, 410);
    setFont(WindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, WindowColour);
    palette.setColor(QPalette::Button, WindowColour);
    palette.setColor(QPalette::Base, WindowColour);
    setPalette(palette);
    setStyleSheet(WindowStyleSheet());
    setAcceptDrops(true);

    BuildTopRow();
    BuildLeftColumn();
    BuildPageArea();
    BuildPasswordGroup();

    auto* downBar = MakeAs<QLabel>("DownBar", this);
    downBar->setGeometry(0, 388, 600, 20);
    downBar->setAlignment(Qt::AlignCenter);
}

void TQtWindow::BuildTopRow()
{
    auto* banner = MakeAs<TPicture>("Image2", this);
    banner->setGeometry(6, 6, 300, 33);
    banner->SetPicture(QStringLiteral("banner.svg"));
    banner->setCursor(Qt::PointingHandCursor);
    int left = 334;
    for (const char* name : {"btnOptions", "btnHelp", "btnAbout", "btnExit"}) {
        Make(name, this)->setGeometry(left, 2, 65, 41);
        left += 66;
    }
}

void TQtWindow::BuildLeftColumn()
{
    int top = 50;
    for (const char* name : {"btnEncrypt", "btnDecrypt", "btnTools"}) {
        Make(name, this)->setGeometry(6, top, 89, 57);
        top += 61;
    }
    Make("btnStatus", this)->setGeometry(6, top + 2, 89, 22);

    auto* logo = MakeAs<TPicture>("Image1", this);
    logo->setGeometry(6, 264, 89, 58);
    logo->SetPicture(QStringLiteral("logo.svg"));
    logo->setCursor(Qt::PointingHandCursor);

    auto* designedFor = MakeAs<QLabel>("lblDesignedFor", this);
    QFont small = font();
    small.setPointSize(7);
    designedFor->setFont(small);
    designedFor->setGeometry(0, 324, 101, 40);
    designedFor->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    designedFor->setWordWrap(true);
}

void TQtWindow::BuildPageArea()
{
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("TitleBand"));
    band->setAttribute(Qt::WA_StyledBackground);
    band->setGeometry(102, 50, 492, 22);
    auto* title = MakeAs<QLabel>("lblTopCaption", band);
    title->setGeometry(8, 0, 476, 22);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setGeometry(102, 74, 492, 226);
    for (int index = 0; index < app::PageCount; ++index) {
        QWidget* page = Make(app::PageName(index), pages_);
        pages_->addWidget(page);
        page->resize(pages_->size()); // laid out before the window is first shown
    }
    BuildEncryptPage(pages_->widget(app::PageEncrypt));
    BuildDecryptPage(pages_->widget(app::PageDecrypt));
    BuildToolsPage(pages_->widget(app::PageTools));
    BuildOptionsPage(pages_->widget(app::PageOptions));
    BuildAboutPage(pages_->widget(app::PageAbout));
    BuildStatusPage(pages_->widget(app::PageStatus));
    pages_->setCurrentIndex(app::PageEncrypt);
    connect(pages_, &QStackedWidget::currentChanged, this, [this](int index) {
        if (events_)
            events_->OnShow(app::PageName(index));
    });
}

void TQtWindow::BuildPasswordGroup()
{
    auto* group = MakeAs<QGroupBox>("GroupBox1", this);
    group->setGeometry(102, 304, 492, 62);
    Make("edtPassword", group)->setGeometry(10, 26, 330, 22);
    Make("btnStart", group)->setGeometry(350, 20, 132, 32);
}

} // namespace mv::gui
