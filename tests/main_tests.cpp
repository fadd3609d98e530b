#include <gtest/gtest.h>

#include <QApplication>

#include "platform/Ecrivains.h"

int main(int argc, char** argv)
{
    // Les tests tournent sans écran.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    IgnorerTailleFichierBornee();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
