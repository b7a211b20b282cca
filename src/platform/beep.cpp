#include "platform/beep.h"

#include <QApplication>

#include "platform/recordset.h"

#include <utility>

namespace zv {

namespace {
std::function<void()>& hook() {
    static std::function<void()> h;
    return h;
}
}  // namespace

void beep() {
    if (hook())
        hook()();
    else
        QApplication::beep();
}

std::function<void()> setBeepHook(std::function<void()> h) { return std::exchange(hook(), std::move(h)); }

void moveNextOrBeep(Recordset& rs) {
    rs.moveNext();
    if (rs.eof()) {
        beep();
        rs.moveLast();
    }
}

void movePreviousOrBeep(Recordset& rs) {
    rs.movePrevious();
    if (rs.bof()) {
        beep();
        rs.moveFirst();
    }
}

}  // namespace zv
