#include "core/windowlanguage.h"

#include "core/language.h"
#include "core/session.h"

namespace zv {

QString windowLanguageFile() {
    const Session* session = Session::current();
    return session ? session->linguax : configuredLanguageFile();
}

}  // namespace zv
