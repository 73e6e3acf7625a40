// Runs only the single-instance guard: prints "first <pid>" when it is the running
// instance and "instanceStarted" each time a later launch hands over, followed by that
// launch's arguments, each percent-encoded after a blank.
#include "platform/SingleInstanceApplication.h"

#include <cstdio>

int main(int argc, char *argv[]) {
    SingleInstanceApplication app(argc, argv, 1000);
    std::printf("first %lld\n", static_cast<long long>(QCoreApplication::applicationPid()));
    std::fflush(stdout);
    QObject::connect(&app, &SingleInstanceApplication::instanceStarted, &app,
                     [](const QStringList &arguments) {
                         QByteArray line("instanceStarted");
                         for (const QString &argument : arguments)
                             line += ' ' + argument.toUtf8().toPercentEncoding();
                         std::printf("%s\n", line.constData());
                         std::fflush(stdout);
                     });
    return app.exec();
}
