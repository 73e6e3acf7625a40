#pragma once

class QWidget;

// Once the program has started and the window's drawing has settled (a big list is laid out
// and repainted in batches after the first paint), lets go of what laying out the first
// texts left mapped and does not need again: the font files' pages.
void cleanUpWhenSettled(QWidget *window);
