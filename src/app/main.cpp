#include <QApplication>

#include "app/appmain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return zv::shell::runProgram(app);
}
