#pragma once
// A program folder with a live session, and one result's page: its data and
// six pictures that mark themselves.
#include <QString>

#include <memory>

#include "core/session.h"
#include "model/reportdata.h"
#include "report/stampa.h"
#include "support/window_fixture.h"

namespace zv::test {

class PrintTest : public WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A result with every value, limits as typed, D'Amico's name.
    static ReportData sampleData();
    // Prints data_ and pictures_ as the callers do: the report window's load prints them.
    void printReport() { Stampa::printPage({data_, pictures_}); }
    // Today's error log ("" when nothing was logged).
    QString errorLog() const;

    std::unique_ptr<Session> session_;
    ReportData data_;
    ReportPictures pictures_;
    QString pdf_;         // where the system printer's documents go in these tests
    double slotDpi_ = 0;  // the resolution the pictures were last drawn at
};

}  // namespace zv::test
