// store_probe PROGRAM_FOLDER [PHRASE]: the files handled as start-up does (user folder:
// $VERBOLIN_USER_FOLDER), then PHRASE added and saved; prints "notice: ..."; status 0 if every save worked.
#include "app/DataFolder.h"
#include "library/ConfigStore.h"
#include "library/GroupStore.h"
#include "library/PhraseItem.h"
#include "library/UserNotices.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTabBar>

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
    saved = saveGroups(&tabBar, folder.filePath(QStringLiteral("tab.json"))) && saved;
    if (argc > 2) {
        list.addItem(newPhraseItem({QString::fromLocal8Bit(argv[2]), {}, QStringLiteral("短语1"), {}}));
        saved = savePhrases(&list, dataPath) && saved;
    }
    return saved ? 0 : 1;
}
