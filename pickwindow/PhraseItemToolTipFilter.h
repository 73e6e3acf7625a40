#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QAbstractItemView;

// The phrase list's tooltips: a phrase's tooltip shows once the mouse has rested on it for
// 250 ms; every move hides it and restarts the wait; clicks, the wheel and leaving the list
// hide it at once. Installed on the list's viewport; the standard item tooltip never shows.
class PhraseItemToolTipFilter : public QObject {
    Q_OBJECT
public:
    explicit PhraseItemToolTipFilter(QAbstractItemView *list);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Shows the pending tooltip if the mouse is still inside its phrase; returns whether it did.
    bool showHoverToolTip();

    static void hideToolTip();

private:
    void forgetHover();

    QPointer<QAbstractItemView> phraseList;
    QTimer hoverTimer;
    QPoint hoverPos;
    QPoint hoverGlobalPos;
    // The phrase whose tooltip is pending or shown, kept as an index so that deleting or
    // hiding the phrase meanwhile clears it instead of leaving a dangling row.
    QPersistentModelIndex hoverItem;
};

// Creates the filter, owned by the list, and installs it on the list's viewport.
void installPhraseToolTips(QAbstractItemView *list);
