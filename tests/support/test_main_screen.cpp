// Window tests on a screen of 1024 x 768 pixels, the smallest the program is
// laid out for: the offscreen platform is given that one screen.
#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "model/resultstore.h"

int main(int argc, char** argv) {
    QTemporaryDir config;
    const QString file = config.path() + QStringLiteral("/screen.json");
    QFile json(file);
    if (!json.open(QIODevice::WriteOnly))
        return 2;
    json.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 768,
                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    json.close();
    qputenv("QT_QPA_PLATFORM", QStringLiteral("offscreen:configfile=%1").arg(file).toUtf8());
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    zv::registerResultSource();
    return RUN_ALL_TESTS();
}
