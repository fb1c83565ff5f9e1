// Entry point of the widget tests: one QApplication for the whole run.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Velmor");
    QApplication::setApplicationName("TAV 2.1 tests");
    return RUN_ALL_TESTS();
}
