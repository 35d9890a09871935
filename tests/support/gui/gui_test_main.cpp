// main() of the window tests: a QApplication on the offscreen platform, the program's pictures,
// and the fonts the windows ask for.
#include "framework/guarded_application.h"

#include <gtest/gtest.h>

using namespace kelvane;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    Q_INIT_RESOURCE(resources);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
