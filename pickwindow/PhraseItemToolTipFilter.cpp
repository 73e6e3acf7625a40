#include "pickwindow/PhraseItemToolTipFilter.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QToolTip>

#include <cmath>

PhraseItemToolTipFilter::PhraseItemToolTipFilter(QAbstractItemView *list) : QObject(list), phraseList(list) {
    hoverTimer.setSingleShot(true);
    hoverTimer.setInterval(250);
    connect(&hoverTimer, &QTimer::timeout, this, &PhraseItemToolTipFilter::showHoverToolTip);
}

void PhraseItemToolTipFilter::hideToolTip() {
    QToolTip::showText(QPoint(), QString(), nullptr, QRect(), -1);
}

void PhraseItemToolTipFilter::forgetHover() {
    hoverTimer.stop();
    hoverItem = QPersistentModelIndex();
    hideToolTip();
}

bool PhraseItemToolTipFilter::eventFilter(QObject *watched, QEvent *event) {
    if (!phraseList || watched != phraseList->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPointF exact = static_cast<QMouseEvent *>(event)->position();
        // std::lround rounds halves away from zero.
        const QPoint pos(static_cast<int>(std::lround(exact.x())), static_cast<int>(std::lround(exact.y())));
        const QModelIndex index = phraseList->indexAt(pos);
        if (index.isValid() && !index.data(Qt::ToolTipRole).toString().isEmpty()) {
            if (index == hoverItem && pos == hoverPos)
                return false;
            hideToolTip();
            hoverItem = index;
            hoverPos = pos;
            hoverGlobalPos = phraseList->viewport()->mapToGlobal(pos);
            hoverTimer.start();
        } else {
            forgetHover();
        }
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Leave:
    case QEvent::Wheel:
        forgetHover();
        return QObject::eventFilter(watched, event);
    case QEvent::ToolTip:
        if (!showHoverToolTip())
            forgetHover();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool PhraseItemToolTipFilter::showHoverToolTip() {
    if (!phraseList || !hoverItem.isValid())
        return false;
    const QString tip = hoverItem.data(Qt::ToolTipRole).toString();
    if (tip.isEmpty())
        return false;
    const QRect rect = phraseList->visualRect(hoverItem);
    if (!rect.contains(hoverPos))
        return false;
    // A tip hidden by the last move is still on screen for Qt's short hide delay, and Qt would
    // keep that hide going when shown the same text for the same widget: show it once for no
    // widget, which cancels the pending hide, then for the list.
    if (QToolTip::isVisible())
        QToolTip::showText(hoverGlobalPos, tip, nullptr, QRect(), -1);
    QToolTip::showText(hoverGlobalPos, tip, phraseList->viewport(), rect, -1);
    return true;
}

void installPhraseToolTips(QAbstractItemView *list) {
    list->viewport()->installEventFilter(new PhraseItemToolTipFilter(list));
}
