#include <gtest/gtest.h>

#include <QApplication>

// Every test program runs with a Qt application object (offscreen), so that tests of windows,
// screens and Qt timers have one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
