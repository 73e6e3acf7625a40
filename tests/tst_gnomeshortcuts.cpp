// GNOME's custom shortcuts as gsettings prints them, and read for real through gsettings
// with a settings file of the test's own.

#include "platform/wayland/GnomeCustomShortcuts.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class GnomeShortcutsTest : public QObject {
    Q_OBJECT

private slots:
    void pathArrays_data() {
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("paths");
        const QString a = u"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/"_s;
        QTest::newRow("none, typed") << u"@as []"_s << QStringList();
        QTest::newRow("none") << u"[]"_s << QStringList();
        QTest::newRow("one") << u"['%1']"_s.arg(a) << QStringList{a};
        QTest::newRow("two") << u"['/a/', '/b/']"_s << QStringList{u"/a/"_s, u"/b/"_s};
        QTest::newRow("double quotes") << u"[\"/a'b/\"]"_s << QStringList{u"/a'b/"_s};
        QTest::newRow("unclosed quote") << u"['/a/]"_s << QStringList();
        QTest::newRow("not an array") << u"'/a/'"_s << QStringList();
        QTest::newRow("nothing printed") << QString() << QStringList();
    }
    void pathArrays() {
        QFETCH(QString, printed);
        QFETCH(QStringList, paths);
        QCOMPARE(gnomeshortcuts::parsePathArray(printed), paths);
    }

    void strings_data() {
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << u"'verbolin --hotkey Ctrl+Shift+V'"_s
                               << u"verbolin --hotkey Ctrl+Shift+V"_s;
        QTest::newRow("escaped quote")
            << u"'sh -c \\'verbolin --hotkey Ctrl+Alt+Q\\''"_s << u"sh -c 'verbolin --hotkey Ctrl+Alt+Q'"_s;
        QTest::newRow("double quotes") << u"\"it's\""_s << u"it's"_s;
        QTest::newRow("trailing text") << u"'a' b"_s << QString();
        QTest::newRow("unquoted") << u"abc"_s << QString();
    }
    void strings() {
        QFETCH(QString, printed);
        QFETCH(QString, value);
        QCOMPARE(gnomeshortcuts::parseString(printed), value);
    }

    // Two custom shortcuts set with gsettings itself are read back, commands with quotes
    // and all; the settings live in a file of the test's own (the keyfile backend).
    void shortcutsSetWithGsettingsAreRead() {
        if (QStandardPaths::findExecutable(u"gsettings"_s).isEmpty())
            QSKIP("gsettings is not installed");
        QTemporaryDir config;
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString schema = u"org.gnome.settings-daemon.plugins.media-keys"_s;
        const auto set = [](const QStringList &arguments) {
            QProcess gsettings;
            gsettings.start(u"gsettings"_s, QStringList{u"set"_s} + arguments);
            return gsettings.waitForFinished(5000) && gsettings.exitCode() == 0;
        };
        if (!set({schema, u"custom-keybindings"_s, u"['/c0/', '/c1/']"_s}))
            QSKIP("GNOME's media-keys settings schema is not installed");
        QVERIFY(
            set({schema + u".custom-keybinding:/c0/"_s, u"command"_s, u"verbolin --hotkey Ctrl+Shift+V"_s}));
        QVERIFY(set({schema + u".custom-keybinding:/c1/"_s, u"command"_s, u"sh -c 'echo hi'"_s}));
        QCOMPARE(gnomeshortcuts::customShortcutCommands(),
                 QStringList({u"verbolin --hotkey Ctrl+Shift+V"_s, u"sh -c 'echo hi'"_s}));
        QVERIFY(set({schema, u"custom-keybindings"_s, u"@as []"_s}));
        QCOMPARE(gnomeshortcuts::customShortcutCommands(), QStringList());
    }
};

QTEST_GUILESS_MAIN(GnomeShortcutsTest)
#include "tst_gnomeshortcuts.moc"
