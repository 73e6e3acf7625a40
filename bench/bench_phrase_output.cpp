// Phrase output on a real X server into the recording target program. Prints:
// - the time from startPhraseOutput of a 1,000-character Chinese text until the target
//   holds it;
// - how far each action of a ten-action phrase starts from its planned time (the target
//   sees a text action's Ctrl+V 50 ms after the action starts, a key action's key at once).
// Run inside an X session, e.g.:  e2e/x-session.sh build/bench/bench_phrase_output [runs]

#include "bench/BenchStats.h"
#include "e2e/InputTargetClient.h"
#include "library/ConfigStore.h"
#include "library/Settings.h"
#include "output/OutputRunner.h"
#include "output/PhraseMarkup.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

constexpr int delayMs = 200;

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool waitFor(const std::function<bool()> &done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

QString chineseText(int length) {
    QString text;
    for (int i = 0; i < length; ++i)
        text.append(QChar(char16_t(0x4E00 + (i * 37) % 0x4000)));
    return text;
}

// Planned start of every action, relative to the start of the output.
std::vector<qint64> plannedStarts(const QList<OutputAction> &actions) {
    std::vector<qint64> starts;
    qint64 at = 0;
    for (const OutputAction &action : actions) {
        starts.push_back(at);
        switch (action.kind) {
        case OutputAction::Text:
            at += 50 + delayMs;
            break;
        case OutputAction::KeyPress:
            at += 2 * delayMs;
            break;
        case OutputAction::Pause:
            at += action.pauseMs + delayMs;
            break;
        case OutputAction::PasteFile:
            at += 1050 + delayMs;
            break;
        }
    }
    return starts;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "run this inside an X11 session (e2e/x-session.sh %s)\n", argv[0]);
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    configObject().insert(QStringLiteral("delay"), delayMs);

    // 1. A long text, pasted at once.
    const QString longText = chineseText(1000);
    std::vector<double> latencies;
    for (int run = 0; run < runs; ++run) {
        InputTargetClient target;
        if (!target.start()) {
            std::fprintf(stderr, "the target did not get the focus\n");
            return 1;
        }
        const qint64 start = monotonicMs();
        startPhraseOutput(longText, &settings::outputSettings);
        if (!waitFor([&] { return target.text() == longText; }, 10000)) {
            std::fprintf(stderr, "the long text did not arrive\n");
            return 1;
        }
        for (const QJsonObject &event : target.events(QStringLiteral("text"))) {
            if (event.value(QStringLiteral("text")).toString() == longText) {
                latencies.push_back(event.value(QStringLiteral("atMs")).toDouble() - double(start));
                break;
            }
        }
        waitFor([] { return !outputRunning; }, 10000);
    }
    std::printf("1,000 Chinese characters, start to target holding them (%d runs): median %.1f ms, "
                "min %.1f ms, max %.1f ms\n",
                runs, median(latencies), *std::min_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()));

    // 2. Drift of each action's start from the planned timeline.
    const QString phrase = QStringLiteral("一<Enter>二<Tab>三<sleep 0.1s>四<Enter>五<Space>");
    QList<OutputAction> actions;
    parsePhraseMarkup(phrase, actions);
    const std::vector<qint64> planned = plannedStarts(actions);
    std::vector<double> drifts;
    for (int run = 0; run < runs; ++run) {
        InputTargetClient target;
        if (!target.start())
            return 1;
        const qint64 start = monotonicMs();
        startPhraseOutput(phrase, &settings::outputSettings);
        waitFor([] { return !outputRunning; }, 20000);
        waitFor([&] { return target.text().endsWith(QLatin1Char(' ')); }, 5000);

        // Keys the target saw, minus the bare Ctrl key of each paste.
        std::vector<double> seen;
        for (const QJsonObject &event : target.events(QStringLiteral("key"))) {
            if (!event.value(QStringLiteral("key")).toString().startsWith(QLatin1String("Ctrl+Control")))
                seen.push_back(event.value(QStringLiteral("atMs")).toDouble() - double(start));
        }
        std::size_t next = 0;
        for (int i = 0; i < actions.size(); ++i) {
            if (actions.at(i).kind == OutputAction::Pause)
                continue; // nothing to see
            if (next >= seen.size())
                break;
            const double observedStart = seen[next++] - (actions.at(i).kind == OutputAction::Text ? 50 : 0);
            drifts.push_back(observedStart - double(planned[std::size_t(i)]));
        }
    }
    std::printf("ten-action phrase, delay %d ms, drift of %zu action starts from the timeline: "
                "median %.1f ms, max %.1f ms\n",
                delayMs, drifts.size(), median(drifts), *std::max_element(drifts.begin(), drifts.end()));
    return 0;
}
