#pragma once

#include <QString>

#include <functional>

// What the user is told about their files (a save that failed, a file set aside, the
// folder in use). Each notice is given once per cause, not once per keystroke; its
// line on standard error is written every time it is first given. Notices raised
// before a sink is set (while the files load at start-up) wait for it and reach it as
// one message.
using NoticeSink = std::function<void(const QString &message)>;

void setNoticeSink(NoticeSink sink);

// Tells the user unless this cause was told already. errorLine goes to standard error.
void tellUser(const QString &cause, const QString &message, const QString &errorLine);

// Forgets the causes starting with the prefix (a save that works again), so that a
// later failure is told again.
void forgetCauses(const QString &prefix);
