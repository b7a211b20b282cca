#pragma once
// The decimal marks a window must show and read in: each configured mark
// under two languages, the system's locale always with the other mark, so a
// number that followed the system or the language instead would show.
#include <QLocale>

#include <vector>

namespace zv::test {

struct MarkCase {
    const char* mark;    // general.ini [separatore] decimale
    const char* lingua;  // general.ini [language] lingua
    QLocale system;      // the default locale while the case runs
};

inline std::vector<MarkCase> markCases() {
    return {
        {",", "it", QLocale(QLocale::English, QLocale::UnitedStates)},
        {",", "ru", QLocale(QLocale::English, QLocale::UnitedStates)},
        {".", "it", QLocale(QLocale::German, QLocale::Germany)},
        {".", "ru", QLocale(QLocale::Russian, QLocale::Russia)},
    };
}

}  // namespace zv::test
