#include "pickwindow/BadgeDelegate.h"

#include "library/PhraseItem.h"
#include "library/Settings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDataStream>
#include <QIODevice>
#include <QPainter>
#include <QTextLayout>

namespace {

// Everything of a row's style option that changes what the style draws.
QByteArray drawingKey(const QStyleOptionViewItem &opt, const QWidget *widget, qreal pixelRatio,
                      QPoint found) {
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    out << opt.text << opt.rect.size() << int(opt.state) << int(opt.features) << int(opt.displayAlignment)
        << int(opt.textElideMode) << int(opt.viewItemPosition) << int(opt.direction) << opt.font.key()
        << opt.palette.color(QPalette::Text).rgba() << opt.palette.color(QPalette::HighlightedText).rgba()
        << opt.backgroundBrush << opt.icon.cacheKey() << pixelRatio << found;
    // The list's own rules (item height, paddings) change the drawing too.
    if (widget)
        out << widget->styleSheet();
    return key;
}

// The colour of the characters where the search text was found: the accent of a selected
// row's frame, darker, which reads on every row's background (plain, hovered, selected).
QColor foundColour() {
    return QColor::fromRgb(0x00, 0x5a, 0x9e);
}

// The part of the row's display text where the search text was found, or an empty range.
QPoint foundPart(const QModelIndex &index, const QString &text) {
    const QPoint found = index.data(PhraseFoundRole).toPoint();
    if (found.x() < 0 || found.y() > text.size() || found.x() >= found.y())
        return QPoint();
    return found;
}

// Draws a row's text as the style does (wrapped when the row wraps, the last line that fits
// elided, centred as aligned), with the found part in bold and the accent colour.
void drawTextWithFoundPart(QPainter *painter, const QStyleOptionViewItem &opt, const QWidget *widget,
                           const QStyle *style, QPoint found) {
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect rect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    if (rect.width() <= 0)
        return;
    QTextOption textOption;
    textOption.setWrapMode(opt.features & QStyleOptionViewItem::WrapText ? QTextOption::WordWrap
                                                                         : QTextOption::ManualWrap);
    textOption.setTextDirection(opt.direction);
    textOption.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
    // The lines that fit; the last of them elided when more text follows.
    QString text = opt.text;
    {
        QTextLayout probe(text, opt.font);
        probe.setTextOption(textOption);
        probe.beginLayout();
        qreal height = 0;
        int lastStart = 0;
        bool more = false;
        for (QTextLine line = probe.createLine(); line.isValid(); line = probe.createLine()) {
            line.setLineWidth(rect.width());
            if (height > 0 && height + line.height() > rect.height()) {
                more = true;
                break;
            }
            height += line.height();
            lastStart = line.textStart();
        }
        probe.endLayout();
        if (more)
            text = text.left(lastStart) +
                   QFontMetrics(opt.font).elidedText(text.mid(lastStart), opt.textElideMode, rect.width());
    }
    QTextLayout layout(text, opt.font);
    layout.setTextOption(textOption);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    QTextCharFormat foundFormat;
    foundFormat.setFontWeight(QFont::Bold);
    foundFormat.setForeground(foundColour());
    // Where elision cut the text, what is left of the found part.
    const int foundEnd = qMin(found.y(), int(text.size()));
    if (found.x() < foundEnd)
        layout.setFormats({{found.x(), foundEnd - found.x(), foundFormat}});
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    qreal top = rect.top();
    if (opt.displayAlignment & Qt::AlignVCenter)
        top += (rect.height() - height) / 2;
    else if (opt.displayAlignment & Qt::AlignBottom)
        top += rect.height() - height;
    painter->save();
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(rect, Qt::IntersectClip);
    layout.draw(painter, QPointF(rect.left(), top));
    painter->restore();
}

// A row as the style draws it; a found part of its text drawn over the style's drawing
// of everything else.
void drawRow(QPainter *painter, const QStyleOptionViewItem &opt, const QWidget *widget, QStyle *style,
             QPoint found) {
    if (found.isNull()) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    QStyleOptionViewItem withoutText(opt);
    withoutText.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &withoutText, painter, widget);
    drawTextWithFoundPart(painter, opt, widget, style, found);
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
    paintRowAndBadge(painter, option, index);
    drawGroupTag(painter, option.rect, index);
}

void BadgeDelegate::drawGroupTag(QPainter *painter, const QRect &rowRect, const QModelIndex &index) {
    const QString group = index.data(PhraseGroupTagRole).toString();
    if (group.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QFont font = painter->font();
    font.setPixelSize(11);
    painter->setFont(font);
    const QFontMetrics metrics(font);
    const QString shown = metrics.elidedText(group, Qt::ElideRight, qMax(24, rowRect.width() / 3));
    const int width = metrics.horizontalAdvance(shown) + 10;
    // On the right, where short texts leave room: beside the badge when it is there.
    const int right = settings::badgeOnLeft() ? rowRect.right() - 5 : rowRect.right() - 27;
    const QRect tag(right - width, rowRect.top() + 5, width, 18);
    painter->setPen(QColor::fromRgb(0xd1, 0xd1, 0xd1));
    painter->setBrush(QColor::fromRgb(0xf3, 0xf2, 0xf1));
    painter->drawRoundedRect(QRectF(tag).adjusted(0.5, 0.5, -0.5, -0.5), 5.0, 5.0, Qt::AbsoluteSize);
    painter->setPen(QColor::fromRgb(0x60, 0x5e, 0x5c));
    painter->drawText(tag, Qt::AlignCenter, shown);
    painter->restore();
}

void BadgeDelegate::paintRowAndBadge(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if ((opt.state & QStyle::State_Selected) && foreground.canConvert<QBrush>())
        opt.palette.setBrush(QPalette::All, QPalette::HighlightedText, foreground.value<QBrush>());
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QPoint found = foundPart(index, opt.text);

    // Only rows drawn on the list are kept; a drag's picture of the rows is drawn as it was.
    const auto *view = qobject_cast<const QAbstractItemView *>(widget);
    if (!view || painter->device() != view->viewport()) {
        drawRow(painter, opt, widget, style, found);
        drawBadge(painter, option.rect, index);
        return;
    }
    const qreal pixelRatio = painter->device()->devicePixelRatioF();
    const QByteArray key = drawingKey(opt, widget, pixelRatio, found);
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
        drawRow(&picturePainter, atOrigin, widget, style, found);
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
