#include "app/StyleSheet.h"

namespace {

// A family name as a quoted style sheet string.
QString quotedFamily(QString family) {
    family.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + family + QLatin1Char('"');
}

} // namespace

QStringList styleSheetFontFamilies() {
    return {QStringLiteral("Inter"),
            QStringLiteral("Segoe UI"),
            QStringLiteral("Microsoft YaHei UI"),
            QStringLiteral("Microsoft YaHei"),
            QStringLiteral("Source Han Sans SC"),
            QStringLiteral("PingFang SC"),
            QStringLiteral("Helvetica Neue"),
            QStringLiteral("Arial"),
            QStringLiteral("sans-serif"),
            QStringLiteral("Segoe UI Symbol"),
            QStringLiteral("Euphemia"),
            QStringLiteral("Gadugi")};
}

QString applicationStyleSheet(const QStringList &fontFamilies) {
    QStringList quoted;
    for (const QString &family : fontFamilies)
        quoted.append(quotedFamily(family));
    return QStringLiteral(R"css(
QWidget {
    background-color: #f3f3f3;
    font-family: )css") +
           quoted.join(QStringLiteral(", ")) + QStringLiteral(R"css(;
    font-size: 9pt;
    font-weight: 400;
    color: #323130;
    selection-background-color: #0078d4;
    selection-color: #ffffff;
}
QPushButton#iconButton { background-color: transparent; border: none; border-radius: 4px; padding: 0px; outline: none; }
QPushButton#iconButton:hover { background-color: #f9f9f9; border: none; }
QPushButton#iconButton:pressed { background-color: #f7f7f7; border: none; }
QPushButton#iconButton:focus { border: none; outline: none; }
QPushButton {
    background-color: #ffffff;
    border: 1px solid #d1d1d1;
    border-radius: 4px;
    padding: 6px 12px;
    color: #323130;
    outline: none;
}
QPushButton:hover { background-color: #f9f9f9; border-color: #c8c8c8; }
QPushButton:pressed { background-color: #e5f3ff; border-color: #0078d4; color: #005a9e; }
QPushButton:focus { border-color: #0078d4; outline: none; }
PhraseListView {
    background-color: #fcfcfc;
    border: 1px solid #e5e5e5;
    border-radius: 6px;
    padding: 4px;
    outline: none;
    selection-background-color: transparent;
    alternate-background-color: transparent;
}
PhraseListView::item { background-color: #ffffff; border: 1px solid #e5e5e5; border-radius: 4px; margin: 2px 2px; }
PhraseListView::item:hover { background-color: #f9f9f9; border-color: #d1d1d1; }
PhraseListView::item:selected { background-color: #e5f3ff; border-color: #0078d4; }
PhraseListView::item:selected:hover { background-color: #cce7ff; border-color: #106ebe; }
QTabBar { background-color: transparent; border: none; }
QTabBar::tab {
    background-color: #ffffff;
    color: #323130;
    border: 1px solid #e5e5e5;
    border-radius: 4px;
    padding: 8px 16px;
    margin: 2px 2px;
    min-width: 30px;
}
QTabBar::tab:hover { background-color: #f9f9f9; border-color: #d1d1d1; }
QTabBar::tab:selected { background-color: #e5f3ff; border-color: #0078d4; color: #005a9e; }
QTabBar::tab:selected:hover { background-color: #cce7ff; border-color: #106ebe; }
QLineEdit, QPlainTextEdit, QTextEdit {
    background-color: #ffffff;
    border: 2px solid #e5e5e5;
    border-radius: 4px;
    padding: 8px 12px;
    color: #323130;
    selection-background-color: #0078d4;
    selection-color: #ffffff;
}
QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus { outline: none; }
QSpinBox { background-color: #ffffff; border: 2px solid #e5e5e5; border-radius: 4px; padding: 6px 8px; color: #323130; }
QSpinBox:focus { border-color: #0078d4; outline: none; }
QSpinBox::up-button, QSpinBox::down-button { width: 0px; height: 0px; border: none; background: none; }
QKeySequenceEdit QLineEdit {
    background-color: #ffffff;
    border: 2px solid #e5e5e5;
    border-radius: 4px;
    padding: 8px 12px;
    color: #323130;
}
QKeySequenceEdit QLineEdit:focus { border-color: #0078d4; outline: none; }
QMenu { background-color: #fefefe; border: 1px solid #e5e5e5; padding: 3px 3px; }
QMenu::item { padding: 8px 16px; color: #222222; min-width: 60px; }
QMenu::item:selected { background-color: #e5f3ff; }
QMenu::item:pressed { background-color: #cce7ff; }
QLabel { color: #605e5c; padding: 2px 0px; }
QScrollBar:vertical { background-color: #f3f3f3; width: 8px; border-radius: 4px; margin: 0px; border: none; }
QScrollBar::handle:vertical { background-color: #c7c7c7; border-radius: 4px; min-height: 20px; margin: 2px 1px; }
QScrollBar::handle:vertical:hover { background-color: #a6a6a6; }
QScrollBar::handle:vertical:pressed { background-color: #8a8a8a; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background-color: transparent; }
QScrollBar:horizontal { background-color: #f3f3f3; height: 8px; border-radius: 4px; margin: 0px; border: none; }
QScrollBar::handle:horizontal { background-color: #c7c7c7; border-radius: 4px; min-width: 20px; margin: 1px 2px; }
QScrollBar::handle:horizontal:hover { background-color: #a6a6a6; }
QScrollBar::handle:horizontal:pressed { background-color: #8a8a8a; }
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { width: 0px; }
QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background-color: transparent; }
QToolTip { background-color: #ffffff; color: #222222; padding: 2px 1px; }
)css");
}
