#include "PickTestSupport.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyTabBar.h"
#include "platform/InputRecording.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform says so at every show; nothing to learn from it here.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousMessageHandler(type, context, message);
}

} // namespace

void buildPickTestProgram(const QTemporaryDir &dir) {
    previousMessageHandler = qInstallMessageHandler(&quietOffscreenNotes);
    QJsonObject config = defaultConfig(QSize(1920, 1080));
    config.insert(QStringLiteral("tudingflag"), false);
    config.insert(QStringLiteral("delay"), 0);
    QFile file(dir.filePath(QStringLiteral("config.json")));
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(config).toJson());
    file.close();
    buildVerbolin(dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
}

void resetPickLibrary() {
    settlePickWindow();
    AppContext &c = appContext();
    configObject().insert(QStringLiteral("tudingflag"), false);
    configObject().insert(QStringLiteral("arrow_key_cycle_select_phrase_item"), true);
    configObject().insert(QStringLiteral("enter_key_input_phrase_when_pinned"), true);
    configObject().insert(QStringLiteral("badge_key_input_phrase_when_pinned"), true);
    syntheticKeyCounter = 0;
    c.searchBox->clear();
    c.phraseList->clear();
    while (c.groupTabBar->count() > 0)
        c.groupTabBar->removeTab(0);
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        c.groupTabBar->setTabData(c.groupTabBar->addTab(name), 40);
    const QList<QPair<QString, QString>> phrases = {{QStringLiteral("b1"), QStringLiteral("乙")},
                                                    {QStringLiteral("a1"), QStringLiteral("甲")},
                                                    {QStringLiteral("b2"), QStringLiteral("乙")},
                                                    {QStringLiteral("b3"), QStringLiteral("乙")},
                                                    {QStringLiteral("b4"), QStringLiteral("乙")}};
    for (const auto &p : phrases)
        c.phraseList->addItem(newPhraseItem({p.first, QString(), p.second, QString()}));
    c.groupTabBar->setCurrentIndex(0);
    c.groupTabBar->setCurrentIndex(1);
    c.phraseList->setCurrentRow(2);
}

void setPhraseTexts(const QStringList &texts) {
    AppContext &c = appContext();
    c.phraseList->clear();
    const QString group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
    for (const QString &text : texts)
        c.phraseList->addItem(newPhraseItem({text, QString(), group, QString()}));
    // Refilter through the program's own handler, as a change of the search text does.
    c.searchBox->setText(QStringLiteral("x"));
    c.searchBox->clear();
}

void showPickWindow() {
    showPickWindowNoActivate(appContext().pickWindow);
    QVERIFY(QTest::qWaitForWindowExposed(appContext().pickWindow));
}

PickSnapshot pickSnapshot() {
    const AppContext &c = appContext();
    PickSnapshot s;
    if (const QListWidgetItem *item = c.phraseList->currentItem())
        s.current = item->data(PhraseTextRole).toString();
    s.group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
    s.search = c.searchBox->text();
    s.visible = c.pickWindow->isVisible();
    s.searching = searchMode;
    s.pinned = configBool(QStringLiteral("tudingflag"));
    return s;
}

void startObservingOutput() {
    QTRY_VERIFY(!outputRunning);
    resetInputRecording();
}

QString pickEffect(const PickSnapshot &before, const PickSnapshot &after) {
    QStringList changes;
    const QString input = recordedClipboardText();
    if (!input.isEmpty())
        changes << QStringLiteral("input ") + input;
    [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
    if (before.visible != after.visible)
        changes << (after.visible ? QStringLiteral("shown") : QStringLiteral("closed"));
    if (before.searching != after.searching)
        changes << (after.searching ? QStringLiteral("search mode") : QStringLiteral("search mode left"));
    if (before.search != after.search)
        changes << QStringLiteral("search text '%1'").arg(after.search);
    if (before.group != after.group)
        changes << QStringLiteral("group ") + after.group;
    if (before.current != after.current)
        changes << QStringLiteral("current ") + after.current;
    if (before.pinned != after.pinned)
        changes << (after.pinned ? QStringLiteral("pinned") : QStringLiteral("unpinned"));
    return changes.isEmpty() ? QStringLiteral("none") : changes.join(QStringLiteral(", "));
}

void settlePickWindow() {
    QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000);
    syntheticKeyCounter = 0;
    if (searchMode)
        leaveSearchMode(false);
    const AppContext &c = appContext();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget *w : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
        w->hide();
    // The offscreen platform keeps a hidden window as its focus window, and activating
    // that window again would then change nothing: park the focus on a window of its own.
    static QWidget parking;
    parking.show();
    parking.activateWindow();
    [] { QVERIFY(QTest::qWaitForWindowActive(&parking)); }();
    parking.hide();
    QApplication::processEvents();
}
