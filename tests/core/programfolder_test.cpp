#include "core/programfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(ProgramFolder, LaidOutFromARelativeOrAbsoluteDistFolder) {
    const QString dist = QStringLiteral(ZV_DIST_DIR);
    const QString saved = QDir::currentPath();
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString names[] = {QFileInfo(dist).absoluteFilePath(), QFileInfo(dist).fileName()};
    int n = 0;
    for (const QString& from : names) {
        SCOPED_TRACE(from.toStdString());
        ASSERT_TRUE(QDir::setCurrent(QFileInfo(dist).absolutePath()));
        const QString target = tmp.filePath(QString::number(n++));
        layOutProgramFolder(from, target);
        QDir::setCurrent(saved);
        for (const char* file :
             {"general.ini", "it.ini", "zarvium.mdb", "back-up/startdb/zarviumtotale.mdb", "immagini/pc.gif", "log"})
            EXPECT_TRUE(QFileInfo::exists(target + QLatin1Char('/') + QLatin1String(file))) << file;
        EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/dist")));
        EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/schema")));
    }
}

}  // namespace
}  // namespace zv
