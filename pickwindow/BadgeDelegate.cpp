#include "pickwindow/BadgeDelegate.h"

#include "library/PhraseItem.h"
#include "library/Settings.h"

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
    if (!drawn || pixelRatio != 1.0) {
        if (drawn)
            painter->drawPixmap(opt.rect.topLeft(), *drawn);
        drawBadge(painter, option.rect, index);
        return;
    }
    painter->drawPixmap(opt.rect.topLeft(), *drawn);
    if (const QPixmap *badge = badgeOnRow(*drawn, painter->font(), index))
        painter->drawPixmap(opt.rect.topLeft() + badgePatch(opt.rect.size()).topLeft(), *badge);
    else
        drawBadge(painter, option.rect, index);
}

QRect BadgeDelegate::badgePatch(const QSize &rowSize) {
    // A pixel around the badge for its anti-aliased edges.
    return QRect(badgeCorner(QRect(QPoint(0, 0), rowSize), settings::badgeOnLeft()) - QPoint(1, 1),
                 QSize(20, 20));
}

const QPixmap *BadgeDelegate::badgeOnRow(const QPixmap &row, const QFont &font,
                                         const QModelIndex &index) const {
    const QString badge = index.data(PhraseBadgeRole).toString();
    const QRect patch = badgePatch(row.size());
    // A badge reaching out of its row is drawn on the list as it is.
    if (badge.isEmpty() || !row.rect().contains(patch))
        return nullptr;
    QByteArray key;
    QDataStream(&key, QIODevice::WriteOnly) << row.cacheKey() << badge << patch.topLeft();
    if (const QPixmap *kept = drawnBadges.object(key))
        return kept;
    // Drawn on the row's own pixels under it, as it would be drawn on the list.
    auto *drawn = new QPixmap(row.copy(patch));
    QPainter badgePainter(drawn);
    badgePainter.setFont(font);
    badgePainter.translate(-patch.topLeft());
    drawBadge(&badgePainter, row.rect(), index);
    badgePainter.end();
    return drawnBadges.insert(key, drawn) ? drawn : nullptr;
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
