// formCRC: the small waiting window of the CRC-32 and wipe passes. No buttons, no progress bar:
// a group box whose caption says what is being done and the full path of the file below it.
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

namespace mv::gui {

class TWaitWindow : public QWidget
{
public:
    TWaitWindow();

    // Sets the group box's caption and the file's path, centres the window and shows it (not
    // modally), painted at once: the pass that follows processes events only between reads.
    void ShowFor(const QString& caption, const QString& fileName);

    QString Caption() const;
    QString FileName() const;

private:
    QGroupBox* group_ = nullptr;
    QLabel* fileName_ = nullptr;
};

} // namespace mv::gui
