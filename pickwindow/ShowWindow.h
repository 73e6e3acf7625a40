#pragma once

class QWidget;

// Shows the pick window without taking the keyboard focus from the application the
// user is typing into.
void showPickWindowNoActivate(QWidget *window);

// The one way every window of the program is shown: the pick window without
// activation, any other window shown if hidden and then activated.
void showWindow(QWidget *window);
