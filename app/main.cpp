#include "platform/SingleInstanceApplication.h"

int main(int argc, char *argv[]) {
    SingleInstanceApplication app(argc, argv);
    return app.exec();
}
