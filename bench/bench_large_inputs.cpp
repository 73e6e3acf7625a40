// Start-up with large files the program accepts: a tab.json of many groups, a data.json
// holding one very large phrase. Builds the whole program on files made for the case,
// shows the pick window and paints it; prints the time to that point and the resident
// memory. One case per process (the program is built once a process):
//   bench_large_inputs groups COUNT | phrase MEGABYTES | saved-phrase MEGABYTES
// "phrase" is a data.json written elsewhere (read, then saved in the program's layout at
// start); "saved-phrase" one as the program saves it.
// bench/run-large-inputs-bench.sh runs the usual cases. Offscreen unless QT_QPA_PLATFORM
// says otherwise.

#include "app/Startup.h"
#include "bench/BenchMemory.h"
#include "library/AppContext.h"
#include "library/PhraseListView.h"
#include "library/PhraseRecords.h"
#include "pickwindow/MyTabBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool groups = argc == 3 && std::strcmp(argv[1], "groups") == 0;
    const bool saved = argc == 3 && std::strcmp(argv[1], "saved-phrase") == 0;
    if (argc != 3 || (!groups && !saved && std::strcmp(argv[1], "phrase") != 0)) {
        std::fprintf(stderr, "usage: %s groups COUNT | phrase MEGABYTES | saved-phrase MEGABYTES\n", argv[0]);
        return 2;
    }
    const int amount = std::atoi(argv[2]);
    QTemporaryDir dir;
    if (groups) {
        QByteArray tab = "[\n";
        for (int i = 0; i < amount; ++i)
            tab += "{\"tab\": \"分组" + QByteArray::number(i) + "\", \"item_height\": 44}" +
                   (i + 1 < amount ? ",\n" : "\n");
        writeFile(dir.filePath(QStringLiteral("tab.json")), tab + "]\n");
    } else {
        // Chinese and ASCII lines, the way a pasted document looks.
        const QByteArray line = "第一行文字 some words of a long pasted document 1234567890\\n";
        QByteArray text;
        text.reserve(qsizetype(amount) * 1024 * 1024 + line.size());
        while (text.size() < qsizetype(amount) * 1024 * 1024)
            text += line;
        const QString shortText = QStringLiteral("short"), group = QStringLiteral("短语1");
        // As the program writes it, or as another program might.
        const QByteArray file =
            saved ? QJsonDocument(phraseRecordsToJson({{QString::fromUtf8(text).replace(QStringLiteral("\\n"),
                                                                                        QStringLiteral("\n")),
                                                        {},
                                                        group,
                                                        {}},
                                                       {shortText, {}, group, {}}}))
                        .toJson(QJsonDocument::Indented)
                  : "[{\"text\": \"" + text +
                        "\", \"tab\": \"短语1\"}, {\"text\": \"short\", \"tab\": \"短语1\"}]\n";
        writeFile(dir.filePath(QStringLiteral("data.json")), file);
    }

    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.svg.warning=false"));
    const qint64 rssBefore = residentBytes();
    QElapsedTimer timer;
    timer.start();
    buildVerbolin(dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    const qint64 builtMs = timer.elapsed();
    const AppContext &c = appContext();
    c.pickWindow->show();
    app.processEvents();
    c.pickWindow->repaint();
    const qint64 shownMs = timer.elapsed();
    std::printf("%-7s %-9d built %7lld ms   window painted %7lld ms   resident memory %+8.1f MB\n", argv[1],
                amount, builtMs, shownMs, (residentBytes() - rssBefore) / 1e6);
    return 0;
}
