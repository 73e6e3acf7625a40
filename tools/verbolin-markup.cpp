// verbolin-markup: shows the actions a phrase will perform, without sending any input.
//
//   verbolin-markup [--] PHRASE...     one phrase per argument
//   verbolin-markup < phrases.json     a JSON array of strings on standard input
//
// Prints one JSON line per action and a blank line between phrases.

#include "output/PhraseMarkup.h"
#include "tools/ActionJson.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringList>

#include <cstdio>

namespace {

const char usage[] = "usage: verbolin-markup [--] PHRASE...\n"
                     "       verbolin-markup < phrases.json   (a JSON array of strings)\n"
                     "Prints each phrase's actions as JSON lines (kind, text, modifiers, mainKey,\n"
                     "pauseMs, filePath), with a blank line between phrases. Nothing is typed.\n";

void writeStdout(const QByteArray &bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeStderr(const char *text) {
    std::fputs(text, stderr);
}

bool readPhrasesFromStdin(QStringList &phrases) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        writeStderr("verbolin-markup: cannot read standard input\n");
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        writeStderr("verbolin-markup: standard input is not a JSON array of strings\n");
        return false;
    }
    const QJsonArray array = document.array();
    for (const QJsonValue &value : array) {
        if (!value.isString()) {
            writeStderr("verbolin-markup: standard input is not a JSON array of strings\n");
            return false;
        }
        phrases.append(value.toString());
    }
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    QStringList phrases;
    if (!arguments.isEmpty() && arguments.first() == u"--") {
        phrases = arguments.mid(1);
    } else if (!arguments.isEmpty() && (arguments.first() == u"--help" || arguments.first() == u"-h")) {
        writeStdout(usage);
        return 0;
    } else if (!arguments.isEmpty()) {
        phrases = arguments;
    } else if (!readPhrasesFromStdin(phrases)) {
        writeStderr(usage);
        return 2;
    }

    for (qsizetype p = 0; p < phrases.size(); ++p) {
        if (p > 0)
            writeStdout("\n");
        QList<OutputAction> actions;
        parsePhraseMarkup(phrases.at(p), actions);
        for (const OutputAction &action : actions)
            writeStdout(actionToJsonLine(action) + '\n');
    }
    std::fflush(stdout);
    return 0;
}
