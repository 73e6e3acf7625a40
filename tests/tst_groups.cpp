#include "ModalAnswer.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "library/CaseInsensitiveSearch.h"
#include "library/GroupMenu.h"
#include "library/GroupRecords.h"
#include "library/GroupStore.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "pickwindow/MyTabBar.h"

#include <QDialog>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList shownTexts(const QListWidget *list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        if (!list->isRowHidden(row))
            texts << list->item(row)->data(PhraseTextRole).toString();
    return texts;
}

QStringList badges(const QListWidget *list) {
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->item(row)->data(PhraseBadgeRole).toString();
    return result;
}

QJsonArray fileArray(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).array() : QJsonArray();
}

// Fills the group dialog and presses the given button.
std::function<void(QWidget *)> fillGroupDialog(const QString &name, int height, const QString &button) {
    return [=](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>()->setText(name);
        dialog->findChild<QSpinBox *>()->setValue(height);
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == button)
                b->click();
    };
}

// Records which message box opened (its title) and answers it.
std::function<void(QWidget *)> recordMessageAndClose(QString *title, QMessageBox::StandardButton press) {
    return [=](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        *title = box->windowTitle();
        box->button(press)->click();
    };
}

QListWidgetItem *phrase(const QString &text, const QString &remark, const QString &group) {
    return newPhraseItem({text, remark, group, {}});
}

} // namespace

class GroupsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    AppContext &c = appContext();

    void resetLibrary() {
        c.searchBox->clear();
        c.phraseList->clear();
        while (c.groupTabBar->count() > 0)
            c.groupTabBar->removeTab(0);
        for (const GroupRecord &g :
             {GroupRecord{QStringLiteral("甲"), 40}, GroupRecord{QStringLiteral("乙"), 50},
              GroupRecord{QStringLiteral("丙"), 60}}) {
            const int i = c.groupTabBar->addTab(g.name);
            c.groupTabBar->setTabData(i, g.itemHeight);
        }
        c.phraseList->addItem(phrase(QStringLiteral("a1"), {}, QStringLiteral("甲")));
        c.phraseList->addItem(phrase(QStringLiteral("b1"), {}, QStringLiteral("乙")));
        c.phraseList->addItem(phrase(QStringLiteral("a2"), {}, QStringLiteral("甲")));
        c.phraseList->addItem(phrase(QStringLiteral("b2"), {}, QStringLiteral("乙")));
        c.groupTabBar->setCurrentIndex(1);
        c.groupTabBar->setCurrentIndex(0);
    }

private slots:
    void initTestCase() {
        configObject() = defaultConfig(QSize(1920, 1080));
        buildVerbolin(m_dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    }
    void init() { resetLibrary(); }

    void firstRunShowsTheStarterPhrasesUnderTheFirstGroup() {
        QTemporaryDir dir;
        QListWidget list;
        loadPhrases(&list, dir.filePath(QStringLiteral("data.json")));
        filterPhraseList(&list, QStringLiteral("短语1"), QString());
        QCOMPARE(shownTexts(&list).size(), 4);
        QCOMPARE(badges(&list), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                             QStringLiteral("4")}));
    }

    void searchMatchesTextOrRemarkIgnoringCaseWithinTheGroup() {
        QListWidget list;
        list.addItem(phrase(QStringLiteral("xABCx"), {}, QStringLiteral("g")));
        list.addItem(phrase(QStringLiteral("nothing"), QStringLiteral("remark Abc"), QStringLiteral("g")));
        list.addItem(phrase(QStringLiteral("abc elsewhere"), {}, QStringLiteral("G")));
        list.addItem(phrase(QStringLiteral("plain"), {}, QStringLiteral("g")));
        filterPhraseList(&list, QStringLiteral("g"), QStringLiteral("abc"));
        QCOMPARE(shownTexts(&list), QStringList({QStringLiteral("xABCx"), QStringLiteral("nothing")}));
        QCOMPARE(badges(&list),
                 QStringList({QStringLiteral("1"), QStringLiteral("2"), QString(), QString()}));
        filterPhraseList(&list, QStringLiteral("g"), QString());
        QCOMPARE(shownTexts(&list).size(), 3);
    }

    // The search's quick test of each place must find what Qt's own case-insensitive
    // contains() finds, letters that fold across scripts and surrogate pairs included.
    void searchFindsWhatContainsIgnoringCaseFinds_data() {
        QTest::addColumn<QString>("haystack");
        QTest::addColumn<QString>("needle");
        const auto u = [](const char16_t *s) { return QString::fromUtf16(s); };
        QTest::newRow("ASCII in the other case") << u(u"Say HELLO there") << u(u"hello");
        QTest::newRow("at the very end") << u(u"regards") << u(u"DS");
        QTest::newRow("longer than the text") << u(u"ab") << u(u"abc");
        QTest::newRow("a near miss before the match") << u(u"helhello") << u(u"hello");
        QTest::newRow("Kelvin sign folds to k") << u(u"\u212Aey") << u(u"key");
        QTest::newRow("long s folds to s") << u(u"\u017Fun") << u(u"SUN");
        QTest::newRow("Chinese among ASCII") << u(u"备注 12 您好") << u(u"您好");
        QTest::newRow("Greek final sigma") << u(u"ΟΔΟΣ") << u(u"οδος");
        QTest::newRow("Greek final sigma searched") << u(u"ΑΣΑ") << u(u"ςα");
        QTest::newRow("Kelvin sign searched") << u(u"the KEY") << u(u"\u212Aey");
        QTest::newRow("digit, no case") << u(u"2026年") << u(u"26年");
        QTest::newRow("Deseret letters in the other case") << u(u"x\U00010428y") << u(u"\U00010400Y");
        QTest::newRow("a long text ending in a pair") << u(u"abcd\U00010428") << u(u"BCD\U00010400");
        QTest::newRow("a long text skipped to") << u(u"您好 invoice REGARDS") << u(u"ce regards");
        QTest::newRow("search from the middle of a pair") << u(u"\U00010400") << u(u"\xDC00");
        QTest::newRow("nothing to search in") << QString() << u(u"a");
        QTest::newRow("accented capital") << u(u"CAFÉ") << u(u"éé");
    }
    void searchFindsWhatContainsIgnoringCaseFinds() {
        QFETCH(QString, haystack);
        QFETCH(QString, needle);
        QCOMPARE(CaseInsensitiveSearch(needle).foundIn(haystack),
                 haystack.contains(needle, Qt::CaseInsensitive));
    }

    void badgesNumberShownRowsOnlyAndStopAfterZ() {
        QListWidget list;
        for (int i = 0; i < 45; ++i) // every fifth row belongs to another group
            list.addItem(
                phrase(QString::number(i), {}, i % 5 == 4 ? QStringLiteral("other") : QStringLiteral("g")));
        for (int i = 0; i < 4; ++i)
            list.addItem(phrase(QString::number(100 + i), {}, QStringLiteral("g")));
        filterPhraseList(&list, QStringLiteral("g"), QString());
        QStringList shownBadges;
        for (int row = 0; row < list.count(); ++row) {
            if (list.isRowHidden(row))
                QCOMPARE(list.item(row)->data(PhraseBadgeRole).toString(), QString());
            else
                shownBadges << list.item(row)->data(PhraseBadgeRole).toString();
        }
        QCOMPARE(shownBadges.size(), 40);
        QCOMPARE(shownBadges.mid(0, 10).join(QString()), QStringLiteral("1234567890"));
        QCOMPARE(shownBadges.mid(10, 26).join(QString()), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        QCOMPARE(shownBadges.mid(36), QStringList(4, QString()));
    }

    // The filter starts from what it showed before: typing, deleting, switching groups
    // and editing a phrase must each leave what one pass over a fresh list leaves.
    void searchStepsShowWhatAFreshListShows() {
        const QStringList texts = {QStringLiteral("abc"), QStringLiteral("xABd"), QStringLiteral("b"),
                                   QStringLiteral("cab"), QStringLiteral("zzz"),  QStringLiteral("abcd")};
        const auto fill = [&texts](QListWidget *list) {
            for (int i = 0; i < 60; ++i)
                list->addItem(phrase(texts.at(i % texts.size()),
                                     i % 7 == 0 ? QStringLiteral("Rab") : QString(),
                                     i % 4 == 3 ? QStringLiteral("h") : QStringLiteral("g")));
        };
        const auto state = [](const QListWidget *list) {
            QStringList rows;
            for (int row = 0; row < list->count(); ++row)
                rows << (list->isRowHidden(row) ? QStringLiteral("-")
                                                : list->item(row)->data(PhraseBadgeRole).toString());
            return rows;
        };
        QListWidget stepped;
        fill(&stepped);
        const QStringList steps = {QStringLiteral("a"),
                                   QStringLiteral("ab"),
                                   QStringLiteral("abc"),
                                   QStringLiteral("ab"),
                                   QString(),
                                   QStringLiteral("b"),
                                   QStringLiteral("B"),
                                   QStringLiteral("zb"),
                                   QStringLiteral("edit"),
                                   QStringLiteral("ab"),
                                   QStringLiteral("h:"),
                                   QStringLiteral("a")};
        QString group = QStringLiteral("g"), text;
        bool edited = false;
        for (const QString &step : steps) {
            if (step == QStringLiteral("edit")) {
                stepped.item(4)->setData(PhraseTextRole, QStringLiteral("zab"));
                edited = true;
            } else if (step == QStringLiteral("h:")) {
                group = QStringLiteral("h");
            } else {
                text = step;
            }
            filterPhraseList(&stepped, group, text);
            QListWidget fresh;
            fill(&fresh);
            if (edited)
                fresh.item(4)->setData(PhraseTextRole, QStringLiteral("zab"));
            filterPhraseList(&fresh, group, text);
            QCOMPARE(state(&stepped), state(&fresh));
        }
    }

    void firstShownRowBecomesCurrentUnlessNoneIsShown() {
        QListWidget list;
        list.addItem(phrase(QStringLiteral("a"), {}, QStringLiteral("x")));
        list.addItem(phrase(QStringLiteral("b"), {}, QStringLiteral("g")));
        filterPhraseList(&list, QStringLiteral("g"), QString());
        selectFirstVisiblePhrase(&list);
        QCOMPARE(list.currentRow(), 1);
        filterPhraseList(&list, QStringLiteral("nothing"), QString());
        selectFirstVisiblePhrase(&list);
        QCOMPARE(list.currentRow(), 1);
    }

    void switchingGroupsAndSearchingRefilters() {
        QCOMPARE(shownTexts(c.phraseList), QStringList({QStringLiteral("a1"), QStringLiteral("a2")}));
        c.groupTabBar->setCurrentIndex(1);
        QCOMPARE(shownTexts(c.phraseList), QStringList({QStringLiteral("b1"), QStringLiteral("b2")}));
        QCOMPARE(c.phraseList->currentRow(), 1);
        QVERIFY(c.phraseList->styleSheet().contains(QStringLiteral("height: 50px")));
        c.searchBox->setText(QStringLiteral("2"));
        QCOMPARE(shownTexts(c.phraseList), QStringList({QStringLiteral("b2")}));
        QCOMPARE(c.phraseList->currentRow(), 3);
        // The search text stays when the group changes.
        c.groupTabBar->setCurrentIndex(0);
        QCOMPARE(shownTexts(c.phraseList), QStringList({QStringLiteral("a2")}));
    }

    void aNewGroupIsInsertedAndShownWithItsItemHeight_data() {
        QTest::addColumn<int>("groupsBefore");
        QTest::addColumn<int>("at");
        QTest::newRow("after a clicked tab") << 3 << 2;
        QTest::newRow("the first on an empty tab bar") << 0 << 0;
    }
    void aNewGroupIsInsertedAndShownWithItsItemHeight() {
        QFETCH(int, groupsBefore);
        QFETCH(int, at);
        while (c.groupTabBar->count() > groupsBefore)
            c.groupTabBar->removeTab(0);
        answerNextModal(fillGroupDialog(QStringLiteral("新的"), 33, QStringLiteral("确定")));
        createGroupAt(at);
        QCOMPARE(c.groupTabBar->tabText(at), QStringLiteral("新的"));
        QCOMPARE(c.groupTabBar->tabData(at).toInt(), 33);
        QCOMPARE(c.groupTabBar->currentIndex(), at);
        QVERIFY(shownTexts(c.phraseList).isEmpty());
        QVERIFY2(c.phraseList->styleSheet().contains(QStringLiteral("height: 33px")),
                 qPrintable(c.phraseList->styleSheet()));
        const QJsonArray saved = fileArray(c.tabPath);
        QCOMPARE(saved.size(), groupsBefore + 1);
        QCOMPARE(saved.at(at).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("新的"));
    }

    void refusedNewGroupsChangeNothing() {
        // Cancelled, empty name, and a duplicate name (with its warning).
        answerNextModal(fillGroupDialog(QStringLiteral("x"), 20, QStringLiteral("取消")));
        createGroupAt(3);
        answerNextModal(fillGroupDialog(QString(), 20, QStringLiteral("确定")));
        createGroupAt(3);
        QString title;
        answerNextModal([&](QWidget *dialog) {
            fillGroupDialog(QStringLiteral("乙"), 20, QStringLiteral("确定"))(dialog);
            answerNextModal(recordMessageAndClose(&title, QMessageBox::Ok));
        });
        createGroupAt(3);
        QCOMPARE(title, QStringLiteral("分组名重复"));
        QCOMPARE(c.groupTabBar->count(), 3);
        // Names that differ only in case are different groups.
        answerNextModal(fillGroupDialog(QStringLiteral("A"), 20, QStringLiteral("确定")));
        createGroupAt(3);
        answerNextModal(fillGroupDialog(QStringLiteral("a"), 20, QStringLiteral("确定")));
        createGroupAt(4);
        QCOMPARE(c.groupTabBar->count(), 5);
    }

    void renamingAGroupMovesItsPhrasesAndRestylesWhenCurrent() {
        answerNextModal(fillGroupDialog(QStringLiteral("改名"), 77, QStringLiteral("确定")));
        changeGroup(0);
        QCOMPARE(c.groupTabBar->tabText(0), QStringLiteral("改名"));
        QVERIFY(c.phraseList->styleSheet().contains(QStringLiteral("height: 77px")));
        QCOMPARE(shownTexts(c.phraseList), QStringList({QStringLiteral("a1"), QStringLiteral("a2")}));
        QCOMPARE(c.phraseList->item(0)->data(PhraseGroupRole).toString(), QStringLiteral("改名"));
        const QJsonArray phrases = fileArray(c.dataPath);
        QCOMPARE(phrases.at(2).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("改名"));
        QCOMPARE(fileArray(c.tabPath).at(0).toObject().value(QStringLiteral("item_height")).toInt(), 77);
    }

    void changingOnlyTheHeightIsAllowedButNotAnotherGroupsName() {
        answerNextModal(fillGroupDialog(QStringLiteral("乙"), 90, QStringLiteral("确定")));
        changeGroup(1);
        QCOMPARE(c.groupTabBar->tabData(1).toInt(), 90);
        // Group 1 is not current: the list keeps the current group's height.
        QVERIFY(c.phraseList->styleSheet().contains(QStringLiteral("height: 40px")));
        QString title;
        answerNextModal([&](QWidget *dialog) {
            fillGroupDialog(QStringLiteral("丙"), 90, QStringLiteral("确定"))(dialog);
            answerNextModal(recordMessageAndClose(&title, QMessageBox::Ok));
        });
        changeGroup(1);
        QCOMPARE(title, QStringLiteral("分组名重复"));
        QCOMPARE(c.groupTabBar->tabText(1), QStringLiteral("乙"));
        QCOMPARE(c.phraseList->item(1)->data(PhraseGroupRole).toString(), QStringLiteral("乙"));
    }

    void deletingAGroupRemovesItsPhrasesOnlyWhenConfirmed() {
        QString title;
        answerNextModal(recordMessageAndClose(&title, QMessageBox::No));
        deleteGroup(1);
        QCOMPARE(title, QStringLiteral("确认删除"));
        QCOMPARE(c.groupTabBar->count(), 3);
        c.searchBox->setText(QStringLiteral("a1")); // hidden rows of the group go too
        answerNextModal(recordMessageAndClose(&title, QMessageBox::Yes));
        deleteGroup(0);
        QCOMPARE(c.groupTabBar->count(), 2);
        QCOMPARE(c.phraseList->count(), 2);
        const QJsonArray phrases = fileArray(c.dataPath);
        QCOMPARE(phrases.size(), 2);
        for (const QJsonValue &p : phrases)
            QCOMPARE(p.toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("乙"));
        QCOMPARE(fileArray(c.tabPath).size(), 2);
    }

    void theLastGroupCannotBeDeleted() {
        while (c.groupTabBar->count() > 1)
            c.groupTabBar->removeTab(1);
        QString title;
        answerNextModal(recordMessageAndClose(&title, QMessageBox::Ok));
        deleteGroup(0);
        QCOMPARE(title, QStringLiteral("提示"));
        QCOMPARE(c.groupTabBar->count(), 1);
    }

    void movingATabRewritesTheGroupFile() {
        c.groupTabBar->moveTab(0, 2);
        const QJsonArray saved = fileArray(c.tabPath);
        QCOMPARE(saved.at(2).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("甲"));
    }
};

QTEST_MAIN(GroupsTest)
#include "tst_groups.moc"
