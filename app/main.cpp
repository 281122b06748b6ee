#include "application.h"
#include "desktop_required.h"
#include "guarded_application.h"

int main(int argc, char* argv[]) {
    zumora::hold_messages_until_desktop_opens();
    zumora::GuardedApplication qt(argc, argv);
    zumora::desktop_opened();
    zumora::ApplicationController program;
    program.start();
    return zumora::GuardedApplication::exec();
}
