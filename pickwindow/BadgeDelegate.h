#pragma once

#include <QStyledItemDelegate>

// Draws a phrase row, keeping a selected row in its own text colour, and the row's badge
// (the key that inputs it) in the top corner that settings::badgeOnLeft chooses.
class BadgeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Top-left corner of the 18 × 18 badge for a row's rectangle.
    static QPoint badgeCorner(const QRect &itemRect, bool leftCorner);
};
