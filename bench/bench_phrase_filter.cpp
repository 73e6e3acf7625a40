// One search keystroke in the pick window: the list filter (rows hidden and shown, badges
// renumbered, first row made current) and the repaint of the visible list, over 1,000,
// 10,000 and 100,000 phrases. Prints the median and the maximum per keystroke.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "app/AppContext.h"
#include "app/Startup.h"
#include "library/PhraseItem.h"
#include "pickwindow/MyTabBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Phrases of mixed Chinese and English words, spread over the given groups in turn; the
// first group is the current one.
void fillPhrases(QListWidget *list, int count, const QStringList &groups) {
    QRandomGenerator random(7);
    const QStringList words = {
        QStringLiteral("您好"),    QStringLiteral("谢谢"),    QStringLiteral("会议"),
        QStringLiteral("hello"),   QStringLiteral("invoice"), QStringLiteral("thanks"),
        QStringLiteral("regards"), QStringLiteral("地址"),    QStringLiteral("北京"),
        QStringLiteral("2026"),    QStringLiteral("<Enter>"), QStringLiteral("meeting")};
    list->clear();
    for (int i = 0; i < count; ++i) {
        QStringList text;
        const int length = 3 + int(random.bounded(12));
        for (int w = 0; w < length; ++w)
            text << words.at(int(random.bounded(words.size())));
        const QString remark = i % 4 == 0 ? QStringLiteral("备注 %1").arg(i) : QString();
        list->addItem(newPhraseItem({text.join(QLatin1Char(' ')), remark, groups.at(i % groups.size()), {}}));
    }
}

struct Figures {
    double median = 0;
    double max = 0;
};

Figures figuresOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No icons beside the benchmark; they do not matter here.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.svg.warning=false"));
    // Phrase counts from the command line, for a closer look at one size.
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1000, 10000, 100000};
    QTemporaryDir dir;
    buildVerbolin(dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    const AppContext &c = appContext();
    c.pickWindow->show();
    app.processEvents();

    QStringList groups;
    for (int i = 0; i < c.groupTabBar->count(); ++i)
        groups << c.groupTabBar->tabText(i);
    groups << QStringLiteral("四") << QStringLiteral("五");

    // Typing narrows the list letter by letter; deleting widens it back to the whole group.
    const QString typed = QStringLiteral("hello re");
    QStringList keystrokes;
    for (int i = 1; i <= typed.size(); ++i)
        keystrokes << typed.left(i);
    for (int i = typed.size() - 1; i >= 0; --i)
        keystrokes << typed.left(i);

    std::printf(
        "milliseconds per keystroke, %zu keystrokes per row (typing \"%s\" and deleting it, 3 times)\n",
        size_t(keystrokes.size() * 3), qPrintable(typed));
    std::printf("%-12s %-9s %-12s %-12s %-12s %-12s\n", "groups", "phrases", "filter med", "filter max",
                "+paint med", "+paint max");
    for (const int groupCount : {5, 1}) {
        for (const int count : counts) {
            c.searchBox->clear();
            fillPhrases(c.phraseList, count, groups.mid(0, groupCount));
            c.groupTabBar->setCurrentIndex(1);
            c.groupTabBar->setCurrentIndex(0);
            app.processEvents();
            std::vector<double> filterMs, totalMs;
            for (int round = 0; round < 3; ++round) {
                for (const QString &text : keystrokes) {
                    QElapsedTimer timer;
                    timer.start();
                    c.searchBox->setText(text); // the program's handler: filter, then first row current
                    const qint64 filtered = timer.nsecsElapsed();
                    // The list lays its rows out on a zero timer; then the visible rows are painted.
                    app.processEvents();
                    c.phraseList->viewport()->repaint();
                    const qint64 painted = timer.nsecsElapsed();
                    filterMs.push_back(filtered / 1e6);
                    totalMs.push_back(painted / 1e6);
                }
            }
            const Figures f = figuresOf(filterMs), t = figuresOf(totalMs);
            std::printf("%-12s %-9d %-12.2f %-12.2f %-12.2f %-12.2f\n",
                        groupCount == 1 ? "1 (all)" : "5 (1/5 cur)", count, f.median, f.max, t.median, t.max);
        }
    }
    return 0;
}
