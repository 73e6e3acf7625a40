#pragma once

class QPushButton;

// Pinned: the pick window stays open after a phrase is input. Toggles the stored value
// and the button's icon.
void togglePin(QPushButton *pinButton);

// Always on top: changes the pick window's flag and shows it at its saved place.
void onAlwaysOnTopToggled(bool on);
