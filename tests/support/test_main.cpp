// Logic tests run without widgets: a core application is enough for events and the locale.
#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "model/resultstore.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    // As the program does at its start.
    zv::registerResultSource();
    return RUN_ALL_TESTS();
}
