// One search keystroke in the pick window: the list filter (rows hidden and shown, badges
// renumbered, first row made current) and the repaint of the visible list, over 1,000,
// 10,000 and 100,000 phrases in one group or five (the current one searched, or all five),
// for a plain search text and for pinyin (initials, full readings, both mixed). Prints the median and the
// maximum per keystroke, in wall time and in processor time (std::clock; steadier than wall time on a busy
// machine, though on Windows it is wall time too), and the memory a phrase item costs beyond its strings.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "app/Startup.h"
#include "bench/BenchMemory.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "pickwindow/MyTabBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// Heap bytes of a string's characters (header, text, terminator), or 0 for no text.
qint64 stringBytes(const QString &s) {
    return s.isEmpty() ? 0 : 16 + 2 * (s.size() + 1);
}

// Phrases of mixed Chinese and English words, spread over the given groups in turn; the
// first group is the current one. Returns the heap bytes of the phrases' strings (a group
// name counted once).
qint64 fillPhrases(QListWidget *list, int count, const QStringList &groups) {
    QRandomGenerator random(7);
    const QStringList words = {
        QStringLiteral("您好"),    QStringLiteral("谢谢"),    QStringLiteral("会议"),
        QStringLiteral("hello"),   QStringLiteral("invoice"), QStringLiteral("thanks"),
        QStringLiteral("regards"), QStringLiteral("地址"),    QStringLiteral("北京"),
        QStringLiteral("2026"),    QStringLiteral("<Enter>"), QStringLiteral("meeting")};
    list->clear();
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        QStringList text;
        const int length = 3 + int(random.bounded(12));
        for (int w = 0; w < length; ++w)
            text << words.at(int(random.bounded(words.size())));
        const QString remark = i % 4 == 0 ? QStringLiteral("备注 %1").arg(i) : QString();
        const QString joined = text.join(QLatin1Char(' '));
        bytes += stringBytes(joined) + stringBytes(remark);
        list->addItem(newPhraseItem({joined, remark, groups.at(i % groups.size()), {}}));
    }
    return bytes;
}

double cpuMs(std::clock_t from, std::clock_t to) {
    return double(to - from) * 1000.0 / CLOCKS_PER_SEC;
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
    // Each line of figures is out at once, also into a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
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
    // The plain text, then pinyin: initials, full readings, and both mixed.
    const QList<std::pair<const char *, QString>> typedTexts = {{"plain", QStringLiteral("hello re")},
                                                                {"initials", QStringLiteral("xxhy")},
                                                                {"full", QStringLiteral("xiexiehuiyi")},
                                                                {"mixed", QStringLiteral("xxhuiyi")}};
    const auto keystrokesOf = [](const QString &typed) {
        QStringList keystrokes;
        for (int i = 1; i <= typed.size(); ++i)
            keystrokes << typed.left(i);
        for (int i = typed.size() - 1; i >= 0; --i)
            keystrokes << typed.left(i);
        return keystrokes;
    };

    // Memory first, on a fresh heap: what the largest list costs per phrase once filtered
    // (hidden rows cost the view memory too), next to what its strings alone need.
    const int largest = *std::max_element(counts.begin(), counts.end());
    const qint64 rssBefore = residentBytes();
    const qint64 textBytes = fillPhrases(c.phraseList, largest, groups.mid(0, 5));
    c.groupTabBar->setCurrentIndex(1);
    c.groupTabBar->setCurrentIndex(0);
    app.processEvents();
    const qint64 rssAfter = residentBytes();
    if (rssBefore > 0)
        std::printf("%d phrases in 5 groups: resident memory %+.1f MB, %.2f KiB per phrase "
                    "(its strings: %.2f KiB)\n",
                    largest, (rssAfter - rssBefore) / 1e6, (rssAfter - rssBefore) / 1024.0 / largest,
                    textBytes / 1024.0 / largest);

    std::printf("milliseconds per keystroke, typing each text and deleting it, 3 times\n");
    std::printf("%-10s %-14s %-12s %-8s %-10s %-10s %-10s %-10s %-10s %-10s\n", "search", "typed", "groups",
                "phrases", "filter med", "filter max", "+paint med", "+paint max", "cpu med", "cpu max");
    // Five groups with the current one searched, five with every group searched, and one.
    for (const auto &[groupCount, allGroups] :
         {std::pair{5, false}, std::pair{5, true}, std::pair{1, false}}) {
        configObject().insert(QStringLiteral("search_all_groups"), allGroups);
        for (const int count : counts) {
            c.searchBox->clear();
            fillPhrases(c.phraseList, count, groups.mid(0, groupCount));
            c.groupTabBar->setCurrentIndex(1);
            c.groupTabBar->setCurrentIndex(0);
            app.processEvents();
            for (const auto &[kind, typed] : typedTexts) {
                const QStringList keystrokes = keystrokesOf(typed);
                std::vector<double> filterMs, totalMs, cpuTotalMs;
                for (int round = 0; round < 3; ++round) {
                    for (const QString &text : keystrokes) {
                        QElapsedTimer timer;
                        const std::clock_t cpuStart = std::clock();
                        timer.start();
                        c.searchBox->setText(text); // the program's handler: filter, then first row current
                        const qint64 filtered = timer.nsecsElapsed();
                        // The list lays its rows out on a zero timer; then the visible rows are painted.
                        app.processEvents();
                        c.phraseView->viewport()->repaint();
                        const qint64 painted = timer.nsecsElapsed();
                        cpuTotalMs.push_back(cpuMs(cpuStart, std::clock()));
                        filterMs.push_back(filtered / 1e6);
                        totalMs.push_back(painted / 1e6);
                    }
                }
                const Figures f = figuresOf(filterMs), t = figuresOf(totalMs), cpu = figuresOf(cpuTotalMs);
                std::printf("%-10s %-14s %-12s %-8d %-10.2f %-10.2f %-10.2f %-10.2f %-10.2f %-10.2f\n", kind,
                            qPrintable(u'"' + typed + u'"'),
                            groupCount == 1 ? "1"
                            : allGroups     ? "5, all"
                                            : "5, current",
                            count, f.median, f.max, t.median, t.max, cpu.median, cpu.max);
            }
        }
    }
    tearDownVerbolin();
    return 0;
}
