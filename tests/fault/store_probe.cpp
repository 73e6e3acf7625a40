// store_probe PROGRAM_FOLDER [PHRASE | --rename-first-group NAME | --watch SECONDS COUNT EVERY_MS]: the
// files handled as start-up does (user folder: $VERBOLIN_USER_FOLDER), then PHRASE added and saved, or the
// first group given the new name, or for SECONDS the files followed as the program follows them while
// COUNT phrases "mine-N" are added, one each EVERY_MS; prints "notice: ..."; status 0 if every save worked
// (with --watch: if none waits at the end).
#include "app/DataFolder.h"
#include "app/FileChangeWatcher.h"
#include "library/ConfigStore.h"
#include "library/GroupStore.h"
#include "library/JsonFile.h"
#include "library/PhraseItem.h"
#include "library/UserNotices.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTabBar>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    setNoticeSink([](const QString &message) {
        std::printf("notice: %s\n", qPrintable(message));
        std::fflush(stdout);
    });
    const QDir folder(
        chooseDataFolder(QString::fromLocal8Bit(argv[1]), qEnvironmentVariable("VERBOLIN_USER_FOLDER")));
    removeStaleSaveTemporaries(folder.path());
    const QString dataPath = folder.filePath(QStringLiteral("data.json"));
    loadConfig(folder.filePath(QStringLiteral("config.json")));
    bool saved = saveConfig(folder.filePath(QStringLiteral("config.json")));
    QListWidget list;
    loadPhrases(&list, dataPath);
    saved = savePhrases(&list, dataPath) && saved;
    QTabBar tabBar;
    loadGroups(&tabBar, folder.filePath(QStringLiteral("tab.json")));
    restoreGroupsOfPhrases(&tabBar, &list, folder.filePath(QStringLiteral("tab.json")));
    saved = saveGroups(&tabBar, folder.filePath(QStringLiteral("tab.json"))) && saved;
    if (argc > 3 && qstrcmp(argv[2], "--rename-first-group") == 0) {
        changeGroupInStores(&tabBar, &list, 0, QString::fromLocal8Bit(argv[3]), tabBar.tabData(0).toInt(),
                            folder.filePath(QStringLiteral("tab.json")), dataPath);
        return hasUnsavedChange(dataPath) || hasUnsavedChange(folder.filePath(QStringLiteral("tab.json")));
    }
    if (argc > 5 && qstrcmp(argv[2], "--watch") == 0) {
        const QString tabPath = folder.filePath(QStringLiteral("tab.json"));
        FileChangeWatcher watcher;
        watcher.watch(dataPath, [&list, dataPath] { savePhrases(&list, dataPath); });
        watcher.watch(tabPath, [&tabBar, tabPath] { saveGroups(&tabBar, tabPath); });
        setPhrasesTakenInHandler([&] {
            if (!restoreGroupsOfPhrases(&tabBar, &list, tabPath).isEmpty())
                saveGroups(&tabBar, tabPath);
        });
        const int count = QByteArray(argv[4]).toInt();
        int added = 0;
        QTimer adding;
        QObject::connect(&adding, &QTimer::timeout, &adding, [&] {
            list.addItem(
                newPhraseItem({QStringLiteral("mine-%1").arg(++added), {}, QStringLiteral("短语1"), {}}));
            savePhrases(&list, dataPath);
            if (added == count)
                adding.stop();
        });
        if (count > 0)
            adding.start(QByteArray(argv[5]).toInt());
        QTimer::singleShot(QByteArray(argv[3]).toInt() * 1000, &app, &QCoreApplication::quit);
        app.exec();
        return hasUnsavedChange(dataPath) || hasUnsavedChange(tabPath);
    }
    if (argc > 2) {
        list.addItem(newPhraseItem({QString::fromLocal8Bit(argv[2]), {}, QStringLiteral("短语1"), {}}));
        saved = savePhrases(&list, dataPath) && saved;
    }
    return saved ? 0 : 1;
}
