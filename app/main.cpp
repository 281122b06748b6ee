#include "application.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    zumora::Application program;
    program.start();
    return QApplication::exec();
}
