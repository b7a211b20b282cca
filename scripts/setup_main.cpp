// zarvium-setup DIST TARGET: lays out a program folder from the shipped one.
#include <QCoreApplication>
#include <QTextStream>

#include "core/programfolder.h"
#include "platform/errors.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: zarvium-setup DIST_FOLDER PROGRAM_FOLDER\n";
        return 2;
    }
    try {
        zv::layOutProgramFolder(args.at(1), args.at(2));
    } catch (const zv::AppError& e) {
        err << "zarvium-setup: " << e.description() << "\n";
        return 1;
    }
    QTextStream(stdout) << "program folder laid out at " << args.at(2) << "\n";
    return 0;
}
