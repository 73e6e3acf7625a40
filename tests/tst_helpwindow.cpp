#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/HelpWindow.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "pickwindow/NoEscCloseWidget.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {

QList<NoEscCloseWidget *> helpWindows() {
    QList<NoEscCloseWidget *> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<NoEscCloseWidget *>(w);
            help && !help->testAttribute(Qt::WA_WState_Hidden))
            windows << help;
    return windows;
}

void closeAll() {
    for (NoEscCloseWidget *w : helpWindows())
        w->close();
    QTRY_VERIFY(helpWindows().isEmpty());
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    AppContext &c = appContext();
    QList<QUrl> m_opened;

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase() {
        configObject() = defaultConfig(QSize(1920, 1080));
        buildVerbolin(m_dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    }
    void cleanup() { closeAll(); }

    void eachHelpButtonClickOpensAWindowBesideItsEditor_data() {
        QTest::addColumn<bool>("fromEditWindow");
        QTest::newRow("add window") << false;
        QTest::newRow("edit window") << true;
    }
    void eachHelpButtonClickOpensAWindowBesideItsEditor() {
        QFETCH(bool, fromEditWindow);
        const PhraseEditorWidgets &editor = fromEditWindow ? c.editWindow : c.addWindow;
        editor.window->move(140, 160);
        editor.helpButton->click();
        editor.helpButton->click();
        const QList<NoEscCloseWidget *> windows = helpWindows();
        QCOMPARE(windows.size(), 2);
        for (NoEscCloseWidget *w : windows) {
            QCOMPARE(w->windowTitle(), QStringLiteral("如何更高级地输入？"));
            QCOMPARE(w->pos(), editor.window->pos() + QPoint(30, 30));
            QCOMPARE(w->minimumSize(), QSize(500, 500));
            QCOMPARE(w->maximumSize(), QSize(500, 500));
            QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
            auto *browser = w->findChild<QTextBrowser *>();
            QVERIFY(browser->isReadOnly());
            QVERIFY(!browser->openLinks());
            QCOMPARE(browser->geometry(), QRect(0, 0, 500, 500));
        }
    }

    void shownTagsReadAsTagsNotAsEntities() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        const QString basic = helpWindows().value(0)->findChild<QTextBrowser *>()->toPlainText();
        QVERIFY(basic.startsWith(QStringLiteral("什么是高级输入？")));
        for (const QString &shown : {QStringLiteral("<press Ctrl+Shift+A>"), QStringLiteral("\\<Enter>"),
                                     QStringLiteral("<img C:\\图片.png>")})
            QVERIFY2(basic.contains(shown), qPrintable(shown));
        QVERIFY(!basic.contains(QStringLiteral("&lt;")));
    }

    void linksSwitchPagesAndNothingElseOpens() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        auto *browser = helpWindows().value(0)->findChild<QTextBrowser *>();
        const QString basic = browser->toHtml();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("verbolin"), this, "openUrl");

        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://full-tutorial")));
        QVERIFY(browser->toPlainText().startsWith(QStringLiteral("↩返回基础教程")));
        const QString full = browser->toHtml();
        emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://elsewhere")));
        QCOMPARE(browser->toHtml(), full);
        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://basic-tutorial")));
        QCOMPARE(browser->toHtml(), basic);

        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("verbolin"));
        QVERIFY(m_opened.isEmpty());
    }

    void escapeLeavesItOpenAndClosingDeletesIt() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        QPointer<NoEscCloseWidget> window = helpWindows().value(0);
        QTest::keyClick(window->findChild<QTextBrowser *>(), Qt::Key_Escape);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
        QTRY_VERIFY(!window);
    }
};

QTEST_MAIN(HelpWindowTest)
#include "tst_helpwindow.moc"
