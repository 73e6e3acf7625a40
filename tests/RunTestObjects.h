#pragma once

#include <QObject>
#include <QStringList>
#include <QTest>

#include <initializer_list>

// Runs several QtTest objects in one program; the exit code says whether all passed. A
// report file given as "-o FILE,FORMAT" becomes one file per object, FILE.0, FILE.1, …:
// each object's run would start the file anew.
inline int runTestObjects(std::initializer_list<QObject *> tests, int argc, char *argv[]) {
    int failed = 0;
    int index = 0;
    for (QObject *test : tests) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i) {
            arguments << QString::fromLocal8Bit(argv[i]);
            if (i < 2 || arguments.at(i - 1) != QLatin1String("-o"))
                continue;
            const qsizetype comma = arguments.at(i).lastIndexOf(QLatin1Char(','));
            arguments[i].insert(comma < 0 ? arguments.at(i).size() : comma,
                                QLatin1Char('.') + QString::number(index));
        }
        failed += QTest::qExec(test, arguments);
        ++index;
    }
    return failed == 0 ? 0 : 1;
}
