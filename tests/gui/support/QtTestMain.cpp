// The main of every window test program: GoogleTest with one QApplication, on Qt's offscreen
// platform unless the caller chose another, and with a home of its own: Qt keeps the file
// dialogs' history in the user's configuration, and no test writes into the real one.
#include "tests/support/TempDir.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    mv::test::TTempDir home;
    qputenv("HOME", QByteArray::fromStdString(home.Path().string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home / "config").string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "data").string()));
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((home / "cache").string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(home.Path().string()));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
