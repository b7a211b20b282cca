// Window tests need a QApplication (windows, fonts, locale) before the tests run.
#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "model/resultstore.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    // As the program does at its start.
    zv::registerResultSource();
    return RUN_ALL_TESTS();
}
