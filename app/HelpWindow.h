#pragma once

class QWidget;

// Opens a new help window on the advanced-input tags, 30 pixels right of and below the
// window whose help button was clicked. Each help window deletes itself when closed.
void openAdvancedInputHelp(QWidget *anchor);
