#include "shell/windowlanguage.h"

#include "shell/language.h"
#include "shell/session.h"

namespace zv {

QString windowLanguageFile() {
    const Session* session = Session::current();
    return session ? session->linguax : configuredLanguageFile();
}

}  // namespace zv
