#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "library/HotkeyRules.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputRecording.h"

#include <QListWidget>
#include <QPointer>
#include <QTest>

namespace {

QListWidgetItem *phrase(const QString &text, const QString &hotkey) {
    return newPhraseItem({text, QString(), QStringLiteral("短语1"), hotkey});
}

// The texts the hotkeys input when pressed, in list order; "-" for an entry without one.
QStringList inputOfEachHotkey(const QList<GlobalHotkey *> &hotkeys) {
    QStringList inputs;
    for (GlobalHotkey *hotkey : hotkeys) {
        if (!hotkey) {
            inputs << QStringLiteral("-");
            continue;
        }
        resetInputRecording();
        emit hotkey->activated();
        [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
        inputs << recordedClipboardText();
    }
    return inputs;
}

} // namespace

class PhraseHotkeysTest : public QObject {
    Q_OBJECT
    QListWidget list;
    QObject owner;
    QList<GlobalHotkey *> hotkeys;

private slots:
    void initTestCase() {
        configObject() = defaultConfig(QSize(1920, 1080));
        configObject().insert(QStringLiteral("delay"), 0);
    }
    void init() {
        list.clear();
        list.addItem(phrase(QStringLiteral("one"), QString()));
        list.addItem(phrase(QStringLiteral("two"), QStringLiteral("Ctrl+Alt+1")));
        list.addItem(phrase(QStringLiteral("three"), QString()));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
    }

    void onlyPhrasesWithAHotkeyGetOne() {
        QCOMPARE(hotkeys.size(), 3);
        QVERIFY(!hotkeys.at(0));
        QVERIFY(hotkeys.at(1));
        QVERIFY(!hotkeys.at(2));
        QCOMPARE(hotkeys.at(1)->shortcut(), hotkeySequence(QStringLiteral("Ctrl+Alt+1")));
        QCOMPARE(hotkeys.at(1)->parent(), &owner);
    }

    void aHotkeyInputsItsPhraseWhereverTheListIs() {
        list.setRowHidden(1, true);
        list.setCurrentRow(0);
        QCOMPARE(inputOfEachHotkey(hotkeys),
                 QStringList({QStringLiteral("-"), QStringLiteral("two"), QStringLiteral("-")}));
        QCOMPARE(list.currentRow(), 0);
        QVERIFY(list.isRowHidden(1));
    }

    void tagsInThePhraseAreOutputAsTags() {
        list.item(1)->setData(PhraseTextRole, QStringLiteral("hi<Enter>"));
        QCOMPARE(inputOfEachHotkey(hotkeys).at(1), QStringLiteral("hi"));
        QStringList operations;
        for (const RecordedInputCall &call : recordedInputCalls())
            operations << call.operation;
        QVERIFY2(operations.size() > 1, qPrintable(operations.join(QLatin1Char(' '))));
    }

    void aRebuildReplacesEveryHotkeyAndFollowsTheRows() {
        QPointer<GlobalHotkey> old = hotkeys.at(1);
        list.item(1)->setData(PhraseHotkeyRole, QStringLiteral("Ctrl+Alt+2"));
        list.item(2)->setData(PhraseHotkeyRole, QStringLiteral("F5"));
        list.insertItem(0, phrase(QStringLiteral("zero"), QStringLiteral("F6")));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QVERIFY(old.isNull());
        QCOMPARE(hotkeys.size(), 4);
        QCOMPARE(hotkeys.at(1), nullptr);
        QCOMPARE(hotkeys.at(2)->shortcut(), hotkeySequence(QStringLiteral("Ctrl+Alt+2")));
        QCOMPARE(inputOfEachHotkey(hotkeys), QStringList({QStringLiteral("zero"), QStringLiteral("-"),
                                                          QStringLiteral("two"), QStringLiteral("three")}));
    }

    void aMovedPhraseKeepsItsHotkey() {
        QVERIFY(list.model()->moveRow(QModelIndex(), 1, QModelIndex(), 0));
        QCOMPARE(list.item(0)->data(PhraseTextRole).toString(), QStringLiteral("two"));
        QCOMPARE(inputOfEachHotkey({hotkeys.at(1)}), QStringList(QStringLiteral("two")));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QCOMPARE(inputOfEachHotkey(hotkeys),
                 QStringList({QStringLiteral("two"), QStringLiteral("-"), QStringLiteral("-")}));
    }

    void aDeletedPhrasesHotkeyInputsNothingEvenBeforeTheRebuild() {
        GlobalHotkey *hotkey = hotkeys.at(1);
        delete list.takeItem(1);
        QCOMPARE(inputOfEachHotkey({hotkey}), QStringList(QString()));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QCOMPARE(hotkeys, QList<GlobalHotkey *>({nullptr, nullptr}));
    }

    void aHotkeyTextThatNamesNoKeyStillGetsAnUnregisteredEntry() {
        list.item(0)->setData(PhraseHotkeyRole, QStringLiteral("Ctrl+Alt+Foo"));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QVERIFY(hotkeys.at(0));
        QVERIFY(!hotkeys.at(0)->isRegistered());
        QCOMPARE(hotkeys.size(), list.count());
    }
};

QTEST_MAIN(PhraseHotkeysTest)
#include "tst_phrasehotkeys.moc"
