#include "application.h"
#include "desktop_platform.h"
#include "desktop_required.h"
#include "guarded_application.h"

int main(int argc, char* argv[]) {
    const zumora::DesktopEnvironment desktop = zumora::current_desktop_environment(argc, argv);
    zumora::PlatformArguments arguments(argc, argv, zumora::preferred_platform(desktop));
    zumora::hold_messages_until_desktop_opens(desktop);
    zumora::GuardedApplication qt(arguments.count(), arguments.values());
    zumora::desktop_opened();
    zumora::ApplicationController program;
    program.start();
    return zumora::GuardedApplication::exec();
}
