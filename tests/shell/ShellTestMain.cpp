// Widget tests need one application object for the whole run; it is the
// product's own, so that its error handling is under test too.

#include "ScriptedBoxes.h"
#include "ShellTestMain.h"
#include "TApplication.h"

#include <gtest/gtest.h>

ScriptedBoxes& ApplicationBoxes()
{
    static ScriptedBoxes boxes;
    return boxes;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv, ApplicationBoxes());
    TApplication::setApplicationName(QStringLiteral("Tellvane"));
    return RUN_ALL_TESTS();
}
