#pragma once
// A program folder with a live session, the picture window whose six slots
// hold drawings that mark themselves, and a hand-off holding one result.
#include <QString>

#include <memory>

#include "core/session.h"
#include "model/reportdata.h"
#include "support/window_fixture.h"

namespace zv::test {

class PrintTest : public WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A result with every value, limits as typed, D'Amico's name.
    static ReportData sampleData();
    // Loads the report window (its load prints) and unloads it, as the callers do.
    static void printReport();
    // Today's error log ("" when nothing was logged).
    QString errorLog() const;

    std::unique_ptr<Session> session_;
    QString pdf_;         // where the system printer's documents go in these tests
    double slotDpi_ = 0;  // the resolution the pictures were last drawn at
};

}  // namespace zv::test
