#include "app/Icons.h"

#include <QCoreApplication>

QIcon programIcon(const QString &fileName) {
    return QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/icons/") + fileName);
}
