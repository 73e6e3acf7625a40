#pragma once

class QWidget;

// Once the window has been painted and has stayed unchanged for a moment (a big list is
// laid out and repainted in batches after the first paint), lets go of what laying out its
// first texts left mapped and does not need again: the font files' pages.
void cleanUpAfterFirstPaint(QWidget *window);
