#pragma once

class QWidget;

// Moves a window to the position stored for it and shows it the program's way.
void showAtSavedPosition(QWidget *window);
