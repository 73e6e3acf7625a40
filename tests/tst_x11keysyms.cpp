// Every key that phrase output can send has a keysym of its own on X11.

#include "output/KeyNames.h"
#include "platform/KeyEvents.h"
#include "platform/x11/X11KeySyms.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestX11KeySyms : public QObject {
    Q_OBJECT

private slots:
    // Every code a key name gives (any single character, "F0" to "F30" tried); letters and digits
    // have their lower-case Latin-1 keysyms (upper case implies Shift), F1 to F24 follow XK_F1.
    void everyNameableKeyHasItsOwnKeysym() {
        QStringList names = u"enter tab space esc backspace left up right down insert"_s.split(u' ');
        for (char16_t c = 1; c < 0x3000; ++c)
            names << QString(QChar(c));
        for (int f = 0; f <= 30; ++f)
            names << QStringLiteral("f%1").arg(f);
        QSet<quint16> codes(releasableModifierKeys.begin(), releasableModifierKeys.end());
        for (const QString &name : names) {
            quint16 code = 0;
            if (!keyNameToVirtualKey(name, code))
                continue;
            codes.insert(code);
            if (name.size() == 1 && name.at(0).unicode() < 0x80)
                QCOMPARE(x11KeysymForVirtualKey(code), (unsigned long)name.toLower().at(0).unicode());
            else if (name.startsWith(u'f') && name.at(1).isDigit())
                QCOMPARE(x11KeysymForVirtualKey(code), 0xffbeul + name.mid(1).toULong() - 1);
        }
        QSet<unsigned long> keysyms;
        for (const quint16 code : codes) {
            QVERIFY2(x11KeysymForVirtualKey(code) != 0, qPrintable(QString::number(code, 16)));
            keysyms.insert(x11KeysymForVirtualKey(code));
        }
        QCOMPARE(keysyms.size(), codes.size());
        QCOMPARE(x11KeysymForVirtualKey(0xBA), 0ul); // a punctuation key no tag can name
    }
};

QTEST_GUILESS_MAIN(TestX11KeySyms)
#include "tst_x11keysyms.moc"
