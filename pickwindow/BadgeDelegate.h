#pragma once

#include <QCache>
#include <QPixmap>
#include <QStyledItemDelegate>

// Draws a phrase row, keeping a selected row in its own text colour, with the part of its
// text the search found in bold and the accent colour, the row's badge (the key that
// inputs it) in the top corner that settings::badgeOnLeft chooses, and, while the list
// shows every group's rows, the row's group name near the top right.
class BadgeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Top-left corner of the 18 × 18 badge for a row's rectangle.
    static QPoint badgeCorner(const QRect &itemRect, bool leftCorner);

private:
    void paintRowAndBadge(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const;
    static void drawGroupTag(QPainter *painter, const QRect &rowRect, const QModelIndex &index);
    static void drawBadge(QPainter *painter, const QRect &rowRect, const QModelIndex &index);
    // Where a row's badge goes in the row's picture, with its edges.
    static QRect badgePatch(const QSize &rowSize);
    // The row's badge drawn on a copy of the row's pixels under it; none for no badge.
    const QPixmap *badgeOnRow(const QPixmap &row, const QFont &font, const QModelIndex &index) const;

    // Rows as the style drew them, by everything that goes into the drawing: laying out
    // and shaping a wrapped text costs far more than copying its picture, and the same rows
    // are drawn again at every show of the pick window. Cost in KiB.
    mutable QCache<QByteArray, QPixmap> drawnRows{4096};
    // Badges apart from their rows: they move at every keystroke of a search, while the
    // rows' pictures stay. By row picture, badge and place.
    mutable QCache<QByteArray, QPixmap> drawnBadges{256};
};
