// The file checksum tool: the CRC-32 and the SHA-1 of a chosen file, and a comparison with a
// value the user pastes (one published beside a download, or the CRC-32 morvane-cli info shows).
#include "FileChecksum/Checksums.h"
#include "plugins/MorvanePlugin.h"
#include "plugins/ToolHost.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace mv::plugins {

namespace {

// clang-format off
const TToolText Title = {"File checksums", "Sume de control"};
const TToolText FileText = {"File", "Fisier"};
const TToolText ChooseText = {"Choose...", "Alege..."};
const TToolText SizeText = {"Size", "Dimensiune"};
const TToolText BytesText = {" bytes", " octeti"};
const TToolText CompareText = {"Compare with", "Compara cu"};
const TToolText ComparePlaceholder = {"paste a CRC-32 or SHA-1 value",
                                      "lipiti o valoare CRC-32 sau SHA-1"};
const TToolText MatchText = {"The value matches.", "Valoarea se potriveste."};
const TToolText NoMatchText = {"The value does NOT match.", "Valoarea NU se potriveste."};
const TToolText StopText = {"Stop", "Oprire"};
const TToolText CloseText = {"Close", "Inchide"};
const TToolText StoppedText = {"Stopped.", "Oprit."};
const TToolText UnreadableText = {"The file cannot be read: ", "Fisierul nu poate fi citit: "};
const TToolText AnyFileText = {"All files (*)", "Toate fisierele (*)"};
// clang-format on

void RunDialog(QWidget* parent, unsigned char language)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(Title.In(language));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* file = new QLineEdit(&dialog);
    file->setReadOnly(true);
    auto* choose = new QPushButton(ChooseText.In(language), &dialog);
    auto* progress = new QProgressBar(&dialog);
    progress->setRange(0, 1000);
    progress->setValue(0);
    auto* size = new QLabel(&dialog);
    auto* crc = new QLineEdit(&dialog);
    auto* sha1 = new QLineEdit(&dialog);
    for (QLineEdit* field : {crc, sha1}) {
        field->setReadOnly(true);
        field->setFont(fixed);
    }
    sha1->setMinimumWidth(sha1->fontMetrics().horizontalAdvance(QString(42, '0')));
    auto* compare = new QLineEdit(&dialog);
    compare->setPlaceholderText(ComparePlaceholder.In(language));
    compare->setFont(fixed);
    auto* verdict = new QLabel(&dialog);
    auto* stop = new QPushButton(StopText.In(language), &dialog);
    stop->setEnabled(false);
    auto* close = new QPushButton(CloseText.In(language), &dialog);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file, 1);
    fileRow->addWidget(choose);
    auto* form = new QFormLayout;
    form->addRow(FileText.In(language), fileRow);
    form->addRow(QString(), progress);
    form->addRow(SizeText.In(language), size);
    form->addRow("CRC-32", crc);
    form->addRow("SHA-1", sha1);
    form->addRow(CompareText.In(language), compare);
    form->addRow(QString(), verdict);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addLayout(buttons);

    // The result of the last pass, compared whenever the pasted value changes.
    auto result = std::make_shared<std::optional<TChecksums>>();
    auto stopRequested = std::make_shared<bool>(false);

    auto showVerdict = [=] {
        const std::string expected = compare->text().toStdString();
        if (!*result || compare->text().trimmed().isEmpty()) {
            verdict->clear();
            return;
        }
        const bool match = MatchesChecksum(**result, expected);
        verdict->setText(match ? MatchText.In(language) : NoMatchText.In(language));
        verdict->setStyleSheet(match ? "color: #1a7f37;" : "color: #cf222e; font-weight: bold;");
    };
    QObject::connect(compare, &QLineEdit::textChanged, &dialog, showVerdict);

    QObject::connect(choose, &QPushButton::clicked, &dialog, [=, &dialog] {
        const QString path = QFileDialog::getOpenFileName(&dialog, Title.In(language), QString(),
                                                          AnyFileText.In(language));
        if (path.isEmpty())
            return;
        file->setText(path);
        crc->clear();
        sha1->clear();
        size->clear();
        result->reset();
        *stopRequested = false;
        choose->setEnabled(false);
        stop->setEnabled(true);
        close->setEnabled(false);
        std::string error;
        // The pass runs on this thread and lets the dialog repaint and take Stop between blocks.
        *result = FileChecksums(
            path.toStdString(),
            [=](uint64_t done, uint64_t total) {
                progress->setValue(total ? static_cast<int>(done * 1000 / total) : 1000);
                QApplication::processEvents();
                return !*stopRequested;
            },
            &error);
        choose->setEnabled(true);
        stop->setEnabled(false);
        close->setEnabled(true);
        if (*result) {
            progress->setValue(1000);
            size->setText(QString::number((*result)->Size) + BytesText.In(language));
            crc->setText(QString::fromStdString(Crc32Text((*result)->Crc32)));
            sha1->setText(QString::fromStdString(Sha1Text((*result)->Sha1)));
        } else {
            progress->setValue(0);
            size->setText(error.empty()
                              ? StoppedText.In(language)
                              : UnreadableText.In(language) + QString::fromStdString(error));
        }
        showVerdict();
    });
    QObject::connect(stop, &QPushButton::clicked, &dialog, [=] { *stopRequested = true; });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    // Escape during a pass stops it instead of closing the dialog under it.
    QObject::connect(&dialog, &QDialog::rejected, &dialog, [=] { *stopRequested = true; });

    // A pass runs inside a click of this dialog's own event loop, so exec returns only after it
    // has ended; closing the dialog meanwhile only tells it to stop.
    dialog.exec();
}

} // namespace

} // namespace mv::plugins

extern "C" {

const char* D_NAME(void)
{
    return "File checksums (CRC-32, SHA-1)";
}

const char* D_ENG(void)
{
    return "Computes the CRC-32 and the SHA-1 of a file and compares them with a value you paste, "
           "for instance one published beside a download.";
}

const char* D_ROM(void)
{
    return "Calculeaza CRC-32 si SHA-1 pentru un fisier si le compara cu o valoare introdusa, de "
           "exemplu una publicata langa o descarcare.";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    mv::plugins::RunTool(
        [&] { mv::plugins::RunDialog(mv::plugins::ParentWindow(application), language); });
}

} // extern "C"
