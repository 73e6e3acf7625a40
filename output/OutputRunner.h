#pragma once

#include "output/OutputAction.h"
#include "output/OutputSettings.h"

#include <QObject>

#include <functional>

// Set while a phrase is being output; further output requests wait meanwhile and run
// after it, in the order they were made.
extern bool outputRunning;

// KeyPress actions whose synthetic keys may still be arriving; while above 0 the
// keyboard hook lets every key through.
extern qint32 syntheticKeyCounter;

// Inputs a phrase into the focused application: parses it, lets go of held modifier
// keys and runs the actions one after another on timers. While another phrase is being
// output it waits for it and runs next. The settings are asked for at every use, while
// it runs.
void startPhraseOutput(const QString &text, const OutputSettingsSource &settings);

// Called whenever outputRunning or syntheticKeyCounter changes, so that the pick window
// can stop taking keys while the program's own synthetic keys are on their way.
void setOutputStateObserver(std::function<void()> observer);

// One output run. Executes its actions on single-shot timers and deletes itself at
// the end.
class VerbolinOutputRunner : public QObject {
public:
    VerbolinOutputRunner(const QList<OutputAction> &actions, OutputSettingsSource settings, QObject *parent);
    ~VerbolinOutputRunner() override;

    void runNextAction();

private:
    void continueRun();
    void finish();
    int delayMs() const;
    OutputAction currentPasteChord() const;

    QList<OutputAction> actions;
    OutputSettingsSource settings;
    qint32 nextIndex = 0;
};
