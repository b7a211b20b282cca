#include "core/notifier.h"

#include <QMetaMethod>

namespace zv {

Notifier& Notifier::instance() {
    // Never destroyed: connections made by windows may outlive static destruction order.
    static Notifier* one = new Notifier;
    return *one;
}

bool Notifier::hasStatusListener() const { return isSignalConnected(QMetaMethod::fromSignal(&Notifier::errorLogged)); }

}  // namespace zv
