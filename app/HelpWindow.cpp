#include "app/HelpWindow.h"

#include "app/HelpPages.h"
#include "pickwindow/NoEscCloseWidget.h"

#include <QTextBrowser>
#include <QUrl>

namespace {

// Switches between the two pages; any other link does nothing (no browser is opened).
void onHelpLinkClicked(QWidget *window, QTextBrowser *browser, const QString &basic, const QString &full,
                       const QUrl &url) {
    QString page;
    if (url == QUrl(QStringLiteral("verbolin://full-tutorial")))
        page = full;
    else if (url == QUrl(QStringLiteral("verbolin://basic-tutorial")))
        page = basic;
    else
        return;
    window->setFixedSize(500, 500);
    browser->setGeometry(0, 0, 500, 500);
    browser->setHtml(page);
}

} // namespace

void openAdvancedInputHelp(QWidget *anchor) {
    auto *window = new NoEscCloseWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("如何更高级地输入？"));
    window->setWindowIcon(anchor->windowIcon());
    auto *browser = new QTextBrowser(window);
    browser->setReadOnly(true);
    browser->setOpenLinks(false);
    const QString basic = basicTutorialHtml();
    const QString full = fullTutorialHtml();
    QObject::connect(browser, &QTextBrowser::anchorClicked, window,
                     [window, browser, basic, full](const QUrl &url) {
                         onHelpLinkClicked(window, browser, basic, full, url);
                     });
    window->setFixedSize(500, 500);
    browser->setGeometry(0, 0, 500, 500);
    browser->setHtml(basic);
    browser->setLineWrapMode(QTextEdit::WidgetWidth);
    browser->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    window->move(anchor->x() + 30, anchor->y() + 30);
    window->show();
    window->raise();
    window->activateWindow();
}
