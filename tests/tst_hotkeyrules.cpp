#include "ModalAnswer.h"
#include "library/HotkeyRules.h"
#include "platform/GlobalHotkey.h"

#include <QKeySequenceEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

const QString emptyRefusal = QStringLiteral("快捷键不能为空  ");
const QString chordsRefusal = QStringLiteral("快捷键不能为多个快捷键的组合  ");
const QString shapeRefusal =
    QStringLiteral("快捷键必须包含至少一个修饰键（Ctrl/Alt/Shift/Meta）和一个主键；  \n"
                   "或者是一个单独的F1~F11、Insert。  ");
const QString usedRefusal = QStringLiteral("快捷键已被使用  ");

QKeySequence keys(const char *portable) {
    return QKeySequence(QLatin1String(portable), QKeySequence::PortableText);
}

} // namespace

class HotkeyRulesTest : public QObject {
    Q_OBJECT
private slots:
    void storedTextRoundTrips_data() {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<QString>("text");
        QTest::newRow("the default global hotkey") << keys("Ctrl+Shift+V") << QStringLiteral("Ctrl+Shift+V");
        QTest::newRow("a lone function key") << QKeySequence(Qt::Key_F5) << QStringLiteral("F5");
        QTest::newRow("insert is stored as Ins") << QKeySequence(Qt::Key_Insert) << QStringLiteral("Ins");
        QTest::newRow("no hotkey is the empty text") << QKeySequence() << QString();
    }
    void storedTextRoundTrips() {
        QFETCH(QKeySequence, sequence);
        QFETCH(QString, text);
        QCOMPARE(hotkeyText(sequence), text);
        QCOMPARE(hotkeySequence(text), sequence);
    }

    void refusal_data() {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<QList<QKeySequence>>("inUse");
        QTest::addColumn<QString>("refusal");
        const QList<QKeySequence> none;
        QTest::newRow("an empty sequence is refused") << QKeySequence() << none << emptyRefusal;
        QTest::newRow("two chords are refused") << keys("Ctrl+A, Ctrl+B") << none << chordsRefusal;
        QTest::newRow("F5 alone is accepted") << keys("F5") << none << QString();
        QTest::newRow("F1 alone is accepted") << keys("F1") << none << QString();
        QTest::newRow("F11 alone is accepted") << keys("F11") << none << QString();
        QTest::newRow("F12 alone is refused") << keys("F12") << none << shapeRefusal;
        QTest::newRow("insert alone is accepted") << QKeySequence(Qt::Key_Insert) << none << QString();
        QTest::newRow("home alone is refused") << QKeySequence(Qt::Key_Home) << none << shapeRefusal;
        QTest::newRow("escape alone is refused") << QKeySequence(Qt::Key_Escape) << none << shapeRefusal;
        QTest::newRow("a letter alone is refused") << keys("A") << none << shapeRefusal;
        QTest::newRow("shift with F12 is accepted") << keys("Shift+F12") << none << QString();
        QTest::newRow("ctrl with a letter is accepted") << keys("Ctrl+A") << none << QString();
        QTest::newRow("meta with escape is accepted") << keys("Meta+Esc") << none << QString();
        QTest::newRow("ctrl with the plus key is accepted") << keys("Ctrl++") << none << QString();
        QTest::newRow("a modifier without a main key is refused")
            << QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Shift)) << none << shapeRefusal;
        QTest::newRow("a sequence another hotkey has is refused")
            << keys("Ctrl+Alt+1") << QList<QKeySequence>{keys("F5"), keys("Ctrl+Alt+1")} << usedRefusal;
        QTest::newRow("a sequence no other hotkey has is accepted")
            << keys("Ctrl+Alt+2") << QList<QKeySequence>{keys("Ctrl+Alt+1")} << QString();
        QTest::newRow("a badly shaped sequence is refused for its shape before duplicates")
            << keys("F12") << QList<QKeySequence>{keys("F12")} << shapeRefusal;
    }
    void refusal() {
        QFETCH(QKeySequence, sequence);
        QFETCH(QList<QKeySequence>, inUse);
        QFETCH(QString, refusal);
        QCOMPARE(hotkeyRefusal(sequence, inUse), refusal);
    }

    // The check skips entries without a hotkey and the phrase's own, and warns once,
    // with the editor as the parent.
    void checkWarnsWithTheEditorAsParent_data() {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<int>("ownEntry");
        QTest::addColumn<QString>("warning");
        QTest::newRow("another phrase's hotkey is refused") << keys("Ctrl+Alt+1") << -1 << usedRefusal;
        QTest::newRow("the phrase's own unchanged hotkey is accepted")
            << keys("Ctrl+Alt+1") << 1 << QString();
        QTest::newRow("another phrase's hotkey is refused though the own entry is skipped")
            << keys("Ctrl+Alt+1") << 2 << usedRefusal;
        QTest::newRow("a free hotkey is accepted") << keys("Ctrl+Alt+3") << -1 << QString();
        QTest::newRow("a letter alone is refused") << keys("Q") << -1 << shapeRefusal;
    }
    void checkWarnsWithTheEditorAsParent() {
        QFETCH(QKeySequence, sequence);
        QFETCH(int, ownEntry);
        QFETCH(QString, warning);
        GlobalHotkey first(keys("Ctrl+Alt+1"), false);
        GlobalHotkey second(keys("Ctrl+Alt+2"), false);
        const QList<GlobalHotkey *> hotkeys{nullptr, &first, &second};
        QKeySequenceEdit editor;
        QString title, text;
        QWidget *parent = nullptr;
        if (!warning.isEmpty())
            answerNextModal([&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                title = box->windowTitle();
                text = box->text();
                parent = box->parentWidget();
                box->button(QMessageBox::Ok)->click();
            });
        const bool accepted =
            checkPhraseHotkey(sequence, hotkeys, &editor, ownEntry < 0 ? nullptr : hotkeys.at(ownEntry));
        QCOMPARE(accepted, warning.isEmpty());
        QCOMPARE(text, warning);
        if (!warning.isEmpty()) {
            QCOMPARE(title, QStringLiteral("快捷键不合规"));
            QCOMPARE(parent, &editor);
        }
    }
};

QTEST_MAIN(HotkeyRulesTest)
#include "tst_hotkeyrules.moc"
