#include "application.h"
#include "guarded_application.h"

int main(int argc, char* argv[]) {
    zumora::GuardedApplication qt(argc, argv);
    zumora::Application program;
    program.start();
    return zumora::GuardedApplication::exec();
}
