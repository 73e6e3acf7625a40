#pragma once

#include <QJsonDocument>
#include <QString>

// Reading and writing of the program's JSON files. Writes are atomic, and a file that
// holds something the program cannot read is kept aside before anything replaces it.

struct JsonFileRead {
    bool opened = false;    // false: the file does not exist or cannot be opened
    QJsonDocument document; // null when the text did not parse
};

JsonFileRead readJsonFile(const QString &path);

// Writes the document as indented JSON through a temporary file that replaces the old
// one only when complete (text mode: CR LF line ends on Windows). Refuses paths that
// were marked protected. Returns false when nothing was written.
bool writeJsonFile(const QString &path, const QJsonDocument &document);

// Called when a file exists but is not the JSON the program expects (broken text, wrong
// top-level type, empty, or unreadable). Copies it to "<name>.unreadable-<time>" beside
// it and says so on standard error. If no copy can be made, the path is protected: no
// later write replaces it while the program runs. Returns the backup path, or empty.
QString keepUnreadableFile(const QString &path);

bool isWriteProtected(const QString &path);
