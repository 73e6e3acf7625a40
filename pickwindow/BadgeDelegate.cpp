#include "pickwindow/BadgeDelegate.h"

#include "app/Settings.h"
#include "library/PhraseItem.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDataStream>
#include <QIODevice>
#include <QPainter>

namespace {

// Everything of a row's style option that changes what the style draws.
QByteArray drawingKey(const QStyleOptionViewItem &opt, const QWidget *widget, qreal pixelRatio) {
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    out << opt.text << opt.rect.size() << int(opt.state) << int(opt.features) << int(opt.displayAlignment)
        << int(opt.textElideMode) << int(opt.viewItemPosition) << int(opt.direction) << opt.font.key()
        << opt.palette.color(QPalette::Text).rgba() << opt.palette.color(QPalette::HighlightedText).rgba()
        << opt.backgroundBrush << opt.icon.cacheKey() << pixelRatio;
    // The list's own rules (item height, paddings) change the drawing too.
    if (widget)
        out << widget->styleSheet();
    return key;
}

// What a row is drawn on: the background of the list's viewport.
QColor rowBackground(const QAbstractItemView *view) {
    const QWidget *viewport = view->viewport();
    return viewport->palette().color(viewport->backgroundRole());
}

} // namespace

QPoint BadgeDelegate::badgeCorner(const QRect &itemRect, bool leftCorner) {
    return leftCorner ? QPoint(itemRect.left() + 4, itemRect.top() + 4)
                      : QPoint(itemRect.right() - 23, itemRect.top() + 5);
}

void BadgeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if ((opt.state & QStyle::State_Selected) && foreground.canConvert<QBrush>())
        opt.palette.setBrush(QPalette::All, QPalette::HighlightedText, foreground.value<QBrush>());
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    // Only rows drawn on the list are kept; a drag's picture of the rows is drawn as it was.
    const auto *view = qobject_cast<const QAbstractItemView *>(widget);
    if (!view || painter->device() != view->viewport()) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        drawBadge(painter, option.rect, index);
        return;
    }
    const qreal pixelRatio = painter->device()->devicePixelRatioF();
    const QByteArray key = drawingKey(opt, widget, pixelRatio);
    const QPixmap *drawn = drawnRows.object(key);
    if (!drawn && !opt.rect.isEmpty()) {
        // Drawn at the origin of a picture of its own, which then goes where the row is.
        QPixmap picture(opt.rect.size() * pixelRatio);
        picture.setDevicePixelRatio(pixelRatio);
        // On the list's own background, as the row is drawn straight on the list: blending
        // the row's anti-aliased corners onto a transparent picture first rounds differently.
        picture.fill(rowBackground(view));
        QStyleOptionViewItem atOrigin(opt);
        atOrigin.rect.moveTo(0, 0);
        QPainter picturePainter(&picture);
        picturePainter.setFont(painter->font());
        style->drawControl(QStyle::CE_ItemViewItem, &atOrigin, &picturePainter, widget);
        picturePainter.end();
        // A picture too big for the cache is simply not kept.
        const int cost = int(qMax<qint64>(1, qint64(picture.width()) * picture.height() * 4 / 1024));
        auto *kept = new QPixmap(picture);
        if (drawnRows.insert(key, kept, cost))
            drawn = kept;
        else
            painter->drawPixmap(opt.rect.topLeft(), picture);
    }
    if (drawn)
        painter->drawPixmap(opt.rect.topLeft(), *drawn);

    drawBadge(painter, option.rect, index);
}

void BadgeDelegate::drawBadge(QPainter *painter, const QRect &rowRect, const QModelIndex &index) {
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
    const QPoint corner = badgeCorner(rowRect, settings::badgeOnLeft());
    painter->drawRoundedRect(QRectF(corner, QSizeF(18.0, 18.0)), 5.0, 5.0, Qt::AbsoluteSize);
    painter->setPen(Qt::white);
    painter->drawText(QRect(corner, QSize(18, 18)), Qt::AlignCenter, badge);
    painter->restore();
}

QSize BadgeDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const {
    return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
}
