// Load and save of a data.json holding 10,000 phrases: prints the median and the
// fastest of several runs for the whole-file round trip the program does at start-up,
// for a save that rewrites the file (every write, the flush and the commit checked) and
// for one that finds the file already holding the same bytes (nothing written).
#include "bench/BenchStats.h"
#include "library/PhraseItem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QList<PhraseRecord> makePhrases(int count) {
    QRandomGenerator random(42);
    const QStringList words = {
        QStringLiteral("您好"),   QStringLiteral("谢谢"),         QStringLiteral("会议"),
        QStringLiteral("Hello"),  QStringLiteral("invoice"),      QStringLiteral("<Enter>"),
        QStringLiteral("地址："), QStringLiteral("北京市海淀区"), QStringLiteral("2026")};
    QList<PhraseRecord> phrases;
    for (int i = 0; i < count; ++i) {
        QString text;
        const int length = 5 + int(random.bounded(40));
        for (int w = 0; w < length; ++w)
            text += words.at(int(random.bounded(words.size())));
        const QString remark = i % 3 == 0 ? QStringLiteral("备注 %1").arg(i) : QString();
        phrases.append({text, remark, QStringLiteral("短语%1").arg(i % 5 + 1), QString()});
    }
    return phrases;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.json"));
    {
        QListWidget list;
        for (const PhraseRecord &r : makePhrases(10000))
            list.addItem(newPhraseItem(r));
        savePhrases(&list, path);
    }
    std::vector<double> loads, saves, unchangedSaves;
    for (int run = 0; run < 9; ++run) {
        QListWidget list;
        QElapsedTimer t;
        t.start();
        loadPhrases(&list, path);
        loads.push_back(t.nsecsElapsed() / 1e6);
        list.item(0)->setData(PhraseTextRole, QStringLiteral("changed %1").arg(run));
        t.restart();
        savePhrases(&list, path);
        saves.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        savePhrases(&list, path);
        unchangedSaves.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("data.json: 10000 phrases, %.1f KiB\n", QFileInfo(path).size() / 1024.0);
    std::printf("load into the phrase list: median %.2f ms, best %.2f ms (9 runs)\n", median(loads),
                *std::min_element(loads.begin(), loads.end()));
    std::printf("save from the phrase list, file rewritten: median %.2f ms, best %.2f ms (9 runs)\n",
                median(saves), *std::min_element(saves.begin(), saves.end()));
    std::printf("save from the phrase list, file already the same: median %.2f ms, best %.2f ms (9 runs)\n",
                median(unchangedSaves), *std::min_element(unchangedSaves.begin(), unchangedSaves.end()));
    return 0;
}
