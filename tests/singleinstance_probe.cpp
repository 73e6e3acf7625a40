// Runs only the single-instance guard: prints "first <pid>" when it is the running
// instance and "instanceStarted" each time a later launch hands over.
#include "platform/SingleInstanceApplication.h"

#include <cstdio>

int main(int argc, char *argv[]) {
    SingleInstanceApplication app(argc, argv, 1000);
    std::printf("first %lld\n", static_cast<long long>(QCoreApplication::applicationPid()));
    std::fflush(stdout);
    QObject::connect(&app, &SingleInstanceApplication::instanceStarted, &app, [] {
        std::printf("instanceStarted\n");
        std::fflush(stdout);
    });
    return app.exec();
}
