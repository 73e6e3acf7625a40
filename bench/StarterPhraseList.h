#pragma once
// The phrases of Verbolin's first run in a plain list filling a window, with the toolkit's
// own style and fonts: what drawing that text costs any Qt program.
#include "library/StarterPhrases.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

inline void fillWithStarterPhraseList(QWidget *window) {
    auto *list = new QListWidget;
    (new QVBoxLayout(window))->addWidget(list);
    for (const char *text : starterPhrases)
        list->addItem(QString::fromUtf8(text));
}
