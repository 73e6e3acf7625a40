#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Moves one of the four long-lived windows to the position stored for it, or, when that
// is out of the user's reach on the screens there are now, to where a new install opens it.
void moveToSavedPosition(QWidget *window);

// Moves a window to the position stored for it and shows it the program's way.
void showAtSavedPosition(QWidget *window);

// The global hotkey: hides a visible pick window that is on top (or always on top),
// otherwise shows it at its saved position, bringing a covered one forward.
void toggleFromGlobalHotkey();

// Asked by toggleFromGlobalHotkey whether nothing covers the pick window at its centre
// (isOnTopAtCentre); tests that have no real desktop put their own answer here.
extern bool (*pickWindowOnTopCheck)(QWidget *window);

// Records where the user leaves the four long-lived windows, so that each reopens there.
class WindowMoveFilter : public QObject {
    Q_OBJECT
public:
    WindowMoveFilter(const QString &configPath, QObject *parent);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const QString configPath;
};
