// Every test program needs a QApplication (windows, fonts, locale) before the tests run.
#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "platform/recordset.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    // Until the model layer registers its views as the program starts.
    zv::registerKeyedView(QStringLiteral("datiQgrafici"), QStringLiteral("ID1"), QStringLiteral("datinumerici"));
    return RUN_ALL_TESTS();
}
