#include "gui/Choosers.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace mv::gui {

namespace {

// One pattern of the logic's filter in Qt's wildcard terms.
QString Patterns(const QString& pattern)
{
    QStringList patterns;
    for (const QString& one : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = one.trimmed();
        if (trimmed == QLatin1String("*.*") || trimmed == QLatin1String("*")) {
            patterns << QStringLiteral("*");
            continue;
        }
        patterns << trimmed.toLower();
        if (trimmed.toUpper() != trimmed.toLower())
            patterns << trimmed.toUpper();
    }
    patterns.removeDuplicates();
    return patterns.join(QLatin1Char(' '));
}

std::optional<std::string> RunFileDialog(QWidget* parent, const std::string& filter,
                                         QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(mode == QFileDialog::AcceptOpen ? QStringLiteral("OpenFileDialog")
                                                         : QStringLiteral("SaveFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The descriptions already name their patterns; the real patterns stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.front());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

} // namespace

QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + Patterns(parts[i + 1]) + QLatin1Char(')');
    return filters;
}

std::optional<std::string> RunOpenFileDialog(QWidget* parent, const std::string& filter)
{
    return RunFileDialog(parent, filter, QFileDialog::AcceptOpen);
}

std::optional<std::string> RunSaveFileDialog(QWidget* parent, const std::string& filter)
{
    return RunFileDialog(parent, filter, QFileDialog::AcceptSave);
}

std::string FolderPath(const QString& chosen)
{
    QString path = QDir::cleanPath(chosen);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> RunFolderDialog(QWidget* parent, const std::string& prompt)
{
    QFileDialog dialog(parent, QString::fromStdString(prompt));
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    // The prompt is the dialog's title and its label, so the user sees what the folder is for.
    dialog.setLabelText(QFileDialog::LookIn, QString::fromStdString(prompt));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FolderPath(dialog.selectedFiles().front());
}

} // namespace mv::gui
