#include "app/FileChangeWatcher.h"

#include "library/JsonFile.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

constexpr int quietTimeMs = 300;

} // namespace

FileChangeWatcher::FileChangeWatcher(QObject *parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)), m_quietTime(new QTimer(this)) {
    m_quietTime->setSingleShot(true);
    m_quietTime->setInterval(quietTimeMs);
    connect(m_quietTime, &QTimer::timeout, this, &FileChangeWatcher::checkAll);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FileChangeWatcher::scheduleCheck);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileChangeWatcher::scheduleCheck);
    // The program's own save replaced the file: watch the new one at once, or an edit
    // made in place before the next look would go unseen.
    setSavedFileObserver([this](const QString &path) {
        if (!m_handlers.contains(path))
            return;
        m_watcher->removePath(path);
        m_watcher->addPath(path);
    });
}

FileChangeWatcher::~FileChangeWatcher() {
    setSavedFileObserver(nullptr);
}

void FileChangeWatcher::watch(const QString &path, std::function<void()> onOutsideChange) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_handlers.insert(absolute, std::move(onOutsideChange));
    m_watcher->addPath(QFileInfo(absolute).absolutePath());
    if (QFileInfo::exists(absolute))
        m_watcher->addPath(absolute);
}

void FileChangeWatcher::scheduleCheck() {
    m_quietTime->start();
}

void FileChangeWatcher::checkAll() {
    const QStringList watched = m_watcher->files();
    for (auto it = m_handlers.cbegin(); it != m_handlers.cend(); ++it) {
        // A file replaced by a rename is a new file: watch it again.
        if (!watched.contains(it.key()) && QFileInfo::exists(it.key()))
            m_watcher->addPath(it.key());
        if (!holdsLastKnownContent(it.key()))
            it.value()();
    }
}
