#pragma once
// A fresh program folder laid out from dist/ in a temporary directory, with a
// pinned clock and a pinned locale; removed afterwards. WindowTest adds the
// windows: the registry and scripted prompts.
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zv::test {

// The shipped program folder, laid out once per test program and copied for
// each test (making the databases from SQL every time would be slow).
QString shippedFolderTemplate();
// Copies a folder and everything in it (the template into a second program folder).
void copyFolder(const QString& from, const QString& to);

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // programFolder() + "/" + relative.
    QString path(const QString& relative) const;
    // Reads a whole file as bytes ("" when missing).
    static QByteArray fileBytes(const QString& path);

    // 8 Dec 2026, 14:05:09 unless a test pins another moment.
    static QDateTime defaultNow();

    QTemporaryDir tmp_;
    QString folder_;
};

}  // namespace zv::test
