#include "platform/beep.h"

#include <QApplication>

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

}  // namespace zv
