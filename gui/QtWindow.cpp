#include "gui/QtWindow.h"

#include "app/HeadlessWindow.h"
#include "gui/Choosers.h"
#include "gui/FlatStyle.h"
#include "gui/MessageBoxes.h"
#include "gui/PasswordDialog.h"
#include "gui/Picture.h"
#include "gui/WaitWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace mv::gui {

namespace {

using K = app::TControlKind;

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string FromQt(const QString& text)
{
    return text.toStdString();
}

// Buttons, boxes and group titles read "&" as the mark of a keyboard shortcut; the logic's
// captions are plain text, so a literal "&" is doubled on the way in and undoubled on the way out.
QString Caption(const std::string& text)
{
    return ToQt(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

std::string FromCaption(const QString& text)
{
    return FromQt(QString(text).replace(QLatin1String("&&"), QLatin1String("&")));
}

constexpr std::initializer_list<K> TextKinds = {K::Button,   K::Label,        K::GroupBox,
                                                K::Edit,     K::ReadOnlyEdit, K::PasswordEdit,
                                                K::CheckBox, K::RadioButton,  K::Memo};

} // namespace

namespace {

// At most this many milliseconds between two repaints of the window (about 30 a second).
constexpr int RepaintInterval = 33;

} // namespace

TQtWindow::TQtWindow(QWidget* parent) : QWidget(parent)
{
    BuildWindow();
    deferredRepaint_ = new QTimer(this);
    deferredRepaint_->setSingleShot(true);
    connect(deferredRepaint_, &QTimer::timeout, this, [this] {
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    });
    waitWindow_ = std::make_unique<TWaitWindow>();
    qApp->installEventFilter(this);
}

TQtWindow::~TQtWindow()
{
    qApp->removeEventFilter(this);
}

// ---- Controls by name --------------------------------------------------------------------------

TQtWindow::TControl& TQtWindow::Find(const std::string& name)
{
    auto it = controls_.find(name);
    if (it == controls_.end())
        throw app::EUnknownControl("no control named " + name);
    return it->second;
}

const TQtWindow::TControl& TQtWindow::Find(const std::string& name) const
{
    return const_cast<TQtWindow*>(this)->Find(name);
}

const TQtWindow::TControl& TQtWindow::FindKind(const std::string& name,
                                               std::initializer_list<K> kinds) const
{
    const TControl& control = Find(name);
    if (std::find(kinds.begin(), kinds.end(), control.Spec->Kind) == kinds.end())
        throw app::EUnknownControl("control " + name + " does not offer this operation");
    return control;
}

QWidget* TQtWindow::Widget(const std::string& control) const
{
    auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second.Widget;
}

void TQtWindow::ReportClick(const std::string& name)
{
    if (events_)
        events_->OnClick(name);
}

std::string TQtWindow::Text(const std::string& control) const
{
    const TControl& c = FindKind(control, TextKinds);
    switch (c.Spec->Kind) {
    case K::Button:
    case K::CheckBox:
    case K::RadioButton:
        return FromCaption(static_cast<QAbstractButton*>(c.Widget)->text());
    case K::GroupBox:
        return FromCaption(static_cast<QGroupBox*>(c.Widget)->title());
    case K::Label:
        return FromQt(static_cast<QLabel*>(c.Widget)->text());
    case K::Memo:
        return FromQt(static_cast<QPlainTextEdit*>(c.Widget)->toPlainText());
    default:
        return FromQt(static_cast<QLineEdit*>(c.Widget)->text());
    }
}

void TQtWindow::SetText(const std::string& control, const std::string& text)
{
    const TControl& c = FindKind(control, TextKinds);
    switch (c.Spec->Kind) {
    case K::Button:
    case K::CheckBox:
    case K::RadioButton:
        static_cast<QAbstractButton*>(c.Widget)->setText(Caption(text));
        break;
    case K::GroupBox:
        static_cast<QGroupBox*>(c.Widget)->setTitle(Caption(text));
        break;
    case K::Label: {
        auto* label = static_cast<QLabel*>(c.Widget);
        const QString value = ToQt(text);
        // The Status page's figures are set after every job step; an unchanged text costs nothing.
        if (label->text() != value)
            label->setText(value);
        break;
    }
    case K::Memo:
        static_cast<QPlainTextEdit*>(c.Widget)->setPlainText(ToQt(text));
        break;
    default: {
        // textChanged reports the change; the same text reports nothing.
        auto* edit = static_cast<QLineEdit*>(c.Widget);
        const QString value = ToQt(text);
        if (edit->text() != value)
            edit->setText(value);
        break;
    }
    }
}

std::string TQtWindow::Hint(const std::string& control) const
{
    return Find(control).Hint;
}

void TQtWindow::SetHint(const std::string& control, const std::string& hint)
{
    TControl& c = Find(control);
    c.Hint = hint;
    // The tables write a line break as CR LF; a tooltip breaks at LF alone.
    c.Widget->setToolTip(ToQt(hint).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

bool TQtWindow::Enabled(const std::string& control) const
{
    // The control's own state: a window disabled for a CRC-32 pass leaves it as it was.
    return !Find(control).Widget->testAttribute(Qt::WA_ForceDisabled);
}

void TQtWindow::SetEnabled(const std::string& control, bool enabled)
{
    Find(control).Widget->setEnabled(enabled);
}

void TQtWindow::SetFocus(const std::string& control)
{
    Find(control).Widget->setFocus(Qt::OtherFocusReason);
}

bool TQtWindow::Checked(const std::string& control) const
{
    return static_cast<QAbstractButton*>(FindKind(control, {K::CheckBox, K::RadioButton}).Widget)
        ->isChecked();
}

void TQtWindow::SetChecked(const std::string& control, bool checked)
{
    const TControl& c = FindKind(control, {K::CheckBox, K::RadioButton});
    auto* button = static_cast<QAbstractButton*>(c.Widget);
    if (button->isChecked() == checked)
        return;
    if (c.Spec->Kind == K::RadioButton && !checked) {
        // An exclusive group refuses to uncheck its checked button; the logic may leave none
        // checked, as the headless window does. Unchecking reports nothing.
        const QSignalBlocker blocker(button);
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
        return;
    }
    button->setChecked(checked); // toggled reports the click
}

int TQtWindow::ItemIndex(const std::string& control) const
{
    const TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    if (c.Spec->Kind == K::ComboBox)
        return static_cast<QComboBox*>(c.Widget)->currentIndex();
    return static_cast<QListWidget*>(c.Widget)->currentRow();
}

void TQtWindow::SetItemIndex(const std::string& control, int index)
{
    const TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    const QSignalBlocker blocker(c.Widget);
    if (c.Spec->Kind == K::ComboBox) {
        auto* combo = static_cast<QComboBox*>(c.Widget);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        return;
    }
    auto* list = static_cast<QListWidget*>(c.Widget);
    if (index >= 0 && index < list->count()) {
        list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(list->item(index));
    } else {
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

std::vector<std::string> TQtWindow::Items(const std::string& control) const
{
    const TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    std::vector<std::string> items;
    if (c.Spec->Kind == K::ComboBox) {
        auto* combo = static_cast<QComboBox*>(c.Widget);
        for (int i = 0; i < combo->count(); ++i)
            items.push_back(FromQt(combo->itemText(i)));
    } else {
        auto* list = static_cast<QListWidget*>(c.Widget);
        for (int i = 0; i < list->count(); ++i)
            items.push_back(FromQt(list->item(i)->text()));
    }
    return items;
}

void TQtWindow::SetItems(const std::string& control, const std::vector<std::string>& items)
{
    const TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    const QSignalBlocker blocker(c.Widget);
    QStringList list;
    for (const std::string& item : items)
        list.push_back(ToQt(item));
    if (c.Spec->Kind == K::ComboBox) {
        auto* combo = static_cast<QComboBox*>(c.Widget);
        combo->clear();
        combo->addItems(list);
        combo->setCurrentIndex(-1); // new entries leave no selection, as in the headless window
    } else {
        auto* box = static_cast<QListWidget*>(c.Widget);
        box->clear();
        box->addItems(list);
        box->setCurrentRow(-1);
    }
}

void TQtWindow::AddItem(const std::string& control, const std::string& item)
{
    const TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    const QSignalBlocker blocker(c.Widget);
    if (c.Spec->Kind == K::ComboBox) {
        auto* combo = static_cast<QComboBox*>(c.Widget);
        const int index = combo->currentIndex();
        combo->addItem(ToQt(item));
        combo->setCurrentIndex(index); // the first entry added does not select itself
    } else {
        auto* list = static_cast<QListWidget*>(c.Widget);
        list->addItem(ToQt(item));
        list->scrollToBottom();
    }
}

int TQtWindow::Position(const std::string& control) const
{
    return static_cast<QProgressBar*>(FindKind(control, {K::ProgressBar}).Widget)->value();
}

void TQtWindow::SetPosition(const std::string& control, int position)
{
    auto* bar = static_cast<QProgressBar*>(FindKind(control, {K::ProgressBar}).Widget);
    const int value = std::clamp(position, 0, 100);
    if (bar->value() != value)
        bar->setValue(value);
}

void TQtWindow::Click(const std::string& control)
{
    const TControl& c = Find(control);
    switch (c.Spec->Kind) {
    case K::CheckBox:
        SetChecked(control, !Checked(control));
        break;
    case K::RadioButton:
        SetChecked(control, true);
        break;
    default:
        // Also when the control is disabled: the program's click runs the handler regardless.
        ReportClick(control);
        break;
    }
}

// ---- PageControl1 ------------------------------------------------------------------------------

int TQtWindow::PageIndex() const
{
    return pages_->currentIndex();
}

void TQtWindow::SetPageIndex(int index)
{
    if (index < 0 || index >= app::PageCount)
        return;
    pages_->setCurrentIndex(index); // currentChanged reports OnShow; the same page reports nothing
}

// ---- The whole window --------------------------------------------------------------------------

void TQtWindow::SetWindowEnabled(bool enabled)
{
    setEnabled(enabled);
}

void TQtWindow::SetWindowVisible(bool visible)
{
    setVisible(visible);
}

void TQtWindow::Close()
{
    if (closed_)
        return;
    closing_ = true;
    if (events_)
        events_->OnClose();
    closed_ = true;
    waitWindow_->hide();
    QWidget::close();
}

void TQtWindow::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TQtWindow::Reachable(const std::string& control) const
{
    return !closed_ && isEnabled() && isVisible() && !QApplication::activeModalWidget() &&
           Enabled(control);
}

void TQtWindow::CenterOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

bool TQtWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::UpdateRequest) {
        // Paint now if the last paint is long enough ago; otherwise once the interval is over.
        // The toolkit sends no further request until this one is served, so the deferred one
        // is posted by the timer.
        if (lastRepaint_.isValid() && lastRepaint_.elapsed() < RepaintInterval) {
            if (!deferredRepaint_->isActive())
                deferredRepaint_->start(RepaintInterval - static_cast<int>(lastRepaint_.elapsed()));
            return true;
        }
        lastRepaint_.start();
        return false;
    }
    // Hints are off until the logic switches them on; the tooltips stay set on the widgets.
    if (event->type() == QEvent::ToolTip && !showHints_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TQtWindow::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    // The window manager's close request: Exit when the user could press it, that is when no
    // job runs; ignored otherwise, also once the job has ended. The click runs after this event,
    // so that closing the window from its handler is not a close inside a close.
    event->ignore();
    if (!Reachable("btnExit"))
        return;
    QTimer::singleShot(0, this, [this] {
        if (Reachable("btnExit"))
            ReportClick("btnExit");
    });
}

// ---- Dropping files ----------------------------------------------------------------------------

namespace {

// The first local file among the dropped addresses; empty when there is none.
QString DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

void TQtWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFile(event->mimeData()).isEmpty() && Reachable("btnEncrypt"))
        event->acceptProposedAction();
}

void TQtWindow::dropEvent(QDropEvent* event)
{
    const QString file = DroppedFile(event->mimeData());
    if (!file.isEmpty() && DropFile(QFile::encodeName(file).toStdString()))
        event->acceptProposedAction();
}

bool TQtWindow::DropFile(const std::string& path)
{
    // The navigation buttons are disabled while a job runs; a drop then lands nowhere.
    if (!Reachable("btnEncrypt"))
        return false;
    const bool container = QString::fromStdString(path).endsWith(".mvx", Qt::CaseInsensitive);
    // The page's own "Browse..." handler takes the dropped path as its chooser's answer.
    droppedPath_ = path;
    Click(container ? "btnDecrypt" : "btnEncrypt");
    Click(container ? "btnDecInput" : "btnEncInput");
    droppedPath_.reset();
    return true;
}

// ---- Modal boxes and dialogs -------------------------------------------------------------------

void TQtWindow::ShowMessage(app::TMessageKind kind, const std::string& text)
{
    ShowMessageBox(this, kind, ToQt(text));
}

app::TAnswer TQtWindow::Confirm(const std::string& text)
{
    return ShowConfirmBox(this, ToQt(text));
}

app::TTextExtent TQtWindow::DialogTextExtent(const std::string& text)
{
    return TextExtent(font(), ToQt(text));
}

std::optional<std::string> TQtWindow::RunPasswordDialog(const app::TPasswordDialog& dialog)
{
    return gui::RunPasswordDialog(this, dialog);
}

std::optional<std::string> TQtWindow::OpenFileDialog(const std::string& filter)
{
    if (droppedPath_) {
        std::optional<std::string> dropped = std::move(droppedPath_);
        droppedPath_.reset();
        return dropped;
    }
    return RunOpenFileDialog(this, filter);
}

std::optional<std::string> TQtWindow::SaveFileDialog(const std::string& filter)
{
    return RunSaveFileDialog(this, filter);
}

std::optional<std::string> TQtWindow::BrowseFolder(const std::string& prompt)
{
    return RunFolderDialog(this, prompt);
}

void TQtWindow::ShowWaitWindow(const std::string& caption, const std::string& fileName)
{
    waitWindow_->ShowFor(ToQt(caption), ToQt(fileName));
}

void TQtWindow::HideWaitWindow()
{
    waitWindow_->hide();
}

} // namespace mv::gui
