// The window tests need a QApplication; they never show anything on a real
// screen, so the offscreen platform is the default.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/japanese.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The boxes speak Japanese, as in the program.
    korvalo::speakJapanese();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
