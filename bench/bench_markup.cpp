// Parses 100,000 phrases of realistic mixes and prints phrases per second and the
// median time per phrase, overall and per kind of phrase. Figures only; never fails on time.
//
//   bench_markup [rounds]      (default 5; the figures are the medians over the rounds)

#include "bench/BenchStats.h"
#include "output/PhraseMarkup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

enum Mix { PlainChinese, TagHeavy, FileTags, MixCount };
const char *const mixNames[MixCount] = {"plain Chinese", "tag-heavy", "file tags"};

QString chineseRun(QRandomGenerator &random, int minChars, int maxChars) {
    static const QString pool = QStringLiteral(
        "您好请稍等我们已经收到您的订单预计明天发货如有问题随时联系谢谢支持感谢光临祝您生活愉快，。！？");
    QString s;
    const int n = random.bounded(minChars, maxChars);
    for (int i = 0; i < n; ++i)
        s += pool.at(random.bounded(int(pool.size())));
    return s;
}

QString phraseFor(Mix mix, QRandomGenerator &random, const QStringList &files) {
    static const QStringList tags = {
        QStringLiteral("<Enter>"),        QStringLiteral("<Tab>"),
        QStringLiteral("<press Ctrl+A>"), QStringLiteral("<press Ctrl+Shift+V>"),
        QStringLiteral("<sleep 200ms>"),  QStringLiteral("<sleep>"),
        QStringLiteral("<press alt+F4>"), QStringLiteral("<Ctrl>"),
        QStringLiteral("<sleep 0.5s>"),   QStringLiteral("<a>"),
        QStringLiteral("\\<Enter>"),      QStringLiteral("<press Ctrl + A>"),
    };
    QString phrase;
    switch (mix) {
    case PlainChinese:
        return chineseRun(random, 8, 120);
    case TagHeavy:
        for (int i = random.bounded(3, 12); i > 0; --i) {
            phrase += tags.at(random.bounded(int(tags.size())));
            if (random.bounded(2))
                phrase += chineseRun(random, 1, 10);
        }
        return phrase;
    case FileTags:
        phrase = chineseRun(random, 2, 12) + QStringLiteral("<Enter>");
        for (int i = random.bounded(1, 4); i > 0; --i) {
            const QString &file = files.at(random.bounded(int(files.size())));
            phrase += random.bounded(2) ? QStringLiteral("<img \"%1\">").arg(file)
                                        : QStringLiteral("<file %1>").arg(file);
            phrase += QStringLiteral("<Enter>");
        }
        return phrase;
    case MixCount:
        break;
    }
    return phrase;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    const int phraseCount = 100000;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_markup: no temporary folder\n");
        return 1;
    }
    QStringList files;
    for (const QString &name :
         {QStringLiteral("截图 1.png"), QStringLiteral("报价单.pdf"), QStringLiteral("a.txt")}) {
        const QString path = QDir::cleanPath(dir.path()) + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        files << path;
    }
    files << QDir::cleanPath(dir.path()) + QStringLiteral("/缺失.png"); // a missing file is typed literally

    // Mostly plain text and light markup, as in a real phrase library.
    QRandomGenerator random(12345);
    std::vector<QString> phrases;
    std::vector<Mix> mixes;
    phrases.reserve(phraseCount);
    for (int i = 0; i < phraseCount; ++i) {
        const int roll = random.bounded(10);
        const Mix mix = roll < 5 ? PlainChinese : roll < 8 ? TagHeavy : FileTags;
        mixes.push_back(mix);
        phrases.push_back(phraseFor(mix, random, files));
    }

    std::vector<double> roundRates;
    std::vector<double> roundMedians;
    std::vector<double> roundMixMedians[MixCount];
    qsizetype actionCount = 0;
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> perPhrase(phrases.size());
        QElapsedTimer total;
        total.start();
        for (size_t i = 0; i < phrases.size(); ++i) {
            QElapsedTimer one;
            one.start();
            QList<OutputAction> actions;
            parsePhraseMarkup(phrases[i], actions);
            perPhrase[i] = double(one.nsecsElapsed()) / 1000.0;
            actionCount += actions.size();
        }
        const double seconds = double(total.nsecsElapsed()) / 1e9;
        roundRates.push_back(double(phrases.size()) / seconds);
        roundMedians.push_back(median(perPhrase));
        for (int m = 0; m < MixCount; ++m) {
            std::vector<double> subset;
            for (size_t i = 0; i < phrases.size(); ++i) {
                if (mixes[i] == m)
                    subset.push_back(perPhrase[i]);
            }
            roundMixMedians[m].push_back(median(subset));
        }
    }

    std::printf("phrases per round: %d, rounds: %d, actions per round: %lld\n", phraseCount, rounds,
                static_cast<long long>(actionCount / rounds));
    std::printf("phrases per second (median of rounds): %.0f\n", median(roundRates));
    std::printf("median time per phrase: %.2f us\n", median(roundMedians));
    for (int m = 0; m < MixCount; ++m)
        std::printf("  median for %-13s %.2f us\n", mixNames[m], median(roundMixMedians[m]));
    return 0;
}
