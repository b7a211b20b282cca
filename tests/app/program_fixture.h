#pragma once
// The running program as a user starts it on 8 December 2026, the day after
// the results the tests store, with "," as the decimal mark.
#include "core/config.h"
#include "support/window_fixture.h"

namespace zv::test {

class ProgramFromMenu : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
    }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
};

}  // namespace zv::test
