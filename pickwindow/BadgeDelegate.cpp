#include "pickwindow/BadgeDelegate.h"

#include "app/Settings.h"
#include "library/PhraseItem.h"

#include <QPainter>

QPoint BadgeDelegate::badgeCorner(const QRect &itemRect, bool leftCorner) {
    return leftCorner ? QPoint(itemRect.left() + 4, itemRect.top() + 4)
                      : QPoint(itemRect.right() - 23, itemRect.top() + 5);
}

void BadgeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
    QStyleOptionViewItem opt(option);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if ((opt.state & QStyle::State_Selected) && foreground.canConvert<QBrush>())
        opt.palette.setBrush(QPalette::All, QPalette::HighlightedText, foreground.value<QBrush>());
    QStyledItemDelegate::paint(painter, opt, index);

    const QString badge = index.data(PhraseBadgeRole).toString();
    if (badge.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QFont font = painter->font();
    font.setPixelSize(10);
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    painter->setBrush(QColor::fromString(QLatin1String("#0078d4")));
    painter->setPen(Qt::NoPen);
    const QPoint corner = badgeCorner(option.rect, settings::badgeOnLeft());
    painter->drawRoundedRect(QRectF(corner, QSizeF(18.0, 18.0)), 5.0, 5.0, Qt::AbsoluteSize);
    painter->setPen(Qt::white);
    painter->drawText(QRect(corner, QSize(18, 18)), Qt::AlignCenter, badge);
    painter->restore();
}

QSize BadgeDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const {
    return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
}
