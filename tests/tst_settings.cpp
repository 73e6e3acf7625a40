#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "app/SettingsRows.h"
#include "app/Startup.h"
#include "library/PhraseFilter.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyTabBar.h"
#include "platform/Autostart.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QFormLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

QJsonValue savedValue(const QString &key) {
    QFile f(appContext().configPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(key);
}

QFormLayout *settingsForm() {
    return appContext().settingsWindow->findChild<QFormLayout *>(QStringLiteral("settingsForm"));
}

QWidget *rowField(const QString &label) {
    QFormLayout *form = settingsForm();
    for (int row = 0; row < form->rowCount(); ++row) {
        auto *text = qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        if (text && text->text() == label)
            return form->itemAt(row, QFormLayout::FieldRole)->widget();
    }
    return nullptr;
}

template <typename T> T *rowControl(const QString &label) {
    QWidget *field = rowField(label);
    if (!field)
        return nullptr;
    if (auto *control = qobject_cast<T *>(field))
        return control;
    return field->findChild<T *>();
}

// Changes a control and answers the information box it may open; returns the box's text
// (empty when none opened).
QString changeAndReadMessage(const std::function<void()> &change) {
    QString text;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        const bool asSpecified = box->windowTitle() == QStringLiteral("提示") &&
                                 box->parentWidget() == appContext().settingsWindow &&
                                 box->standardButtons() == QMessageBox::Ok;
        text = asSpecified ? box->text() : QStringLiteral("unexpected box: ") + box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    change();
    QTest::qWait(30);
    return text;
}

const QString itemHeightMessage =
    QStringLiteral("该设置名称为“默认短语项高度”，因此只影响新建分组时的短语项高度的值。  \n"
                   "如果要修改某个分组的短语项高度，请右键修改该分组。  ");

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QTemporaryDir m_xdg;
    AppContext &c = appContext();
    QUrl m_openedUrl;

public slots:
    void openUrl(const QUrl &url) { m_openedUrl = url; }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_xdg.path()));
        // Values outside the controls' ranges, to see that showing them changes nothing.
        QJsonObject config = defaultConfig(QSize(1920, 1080));
        config.insert(QStringLiteral("width"), 100);
        config.insert(QStringLiteral("height"), 400);
        config.insert(QStringLiteral("default_item_height"), 1000);
        config.insert(QStringLiteral("hotkey"), QStringLiteral("Ctrl+Alt+Q"));
        config.insert(QStringLiteral("ziqidong"), true);
        config.insert(QStringLiteral("zhiding"), false);
        QFile f(m_dir.filePath(QStringLiteral("config.json")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(config).toJson());
        f.close();
        buildVerbolin(m_dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    }

    void startedAtLoginThePickWindowStaysHidden() { QVERIFY(!c.pickWindow->isVisible()); }

    void hotkeyEditorShowsTheStoredHotkey() {
        QCOMPARE(c.globalHotkeyEdit, rowControl<QKeySequenceEdit>(QStringLiteral("全局快捷键：")));
        QCOMPARE(c.globalHotkeyEdit->keySequence().toString(QKeySequence::PortableText),
                 QStringLiteral("Ctrl+Alt+Q"));
    }

    void spinBoxesShowStoredValuesClampedWithoutStoringThem_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("item height above its range shows the maximum")
            << QStringLiteral("默认短语项高度：") << QStringLiteral("default_item_height") << 10 << 100;
        QTest::newRow("horizontal padding") << QStringLiteral("短语项左右内边距：")
                                            << QStringLiteral("phrase_item_padding_horizontal") << 0 << 100;
        QTest::newRow("vertical padding") << QStringLiteral("短语项上下内边距：")
                                          << QStringLiteral("phrase_item_padding_vertical") << 0 << 100;
        QTest::newRow("scroll speed")
            << QStringLiteral("滚动条滚动速度：") << QStringLiteral("gundong") << 1 << 100;
        QTest::newRow("input pause") << QStringLiteral("高级输入间隔（毫秒）") << QStringLiteral("delay") << 0
                                     << 2000;
    }
    void spinBoxesShowStoredValuesClampedWithoutStoringThem() {
        QFETCH(QString, label);
        QFETCH(QString, key);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        auto *box = rowControl<QSpinBox>(label);
        QVERIFY(box);
        QCOMPARE(box->minimum(), minimum);
        QCOMPARE(box->maximum(), maximum);
        QCOMPARE(box->value(), qBound(minimum, configInt(key), maximum));
        QCOMPARE(savedValue(key).toInt(), configInt(key));
    }

    // A hand-edited size outside the range is brought into it for the windows; the file keeps it.
    void aTooSmallStoredWidthIsBoundedForTheWindowsAndKeptInTheFile() {
        QCOMPARE(c.widthSpinBox->value(), 250);
        QCOMPARE(c.pickWindow->width(), 250);
        QCOMPARE(savedValue(QStringLiteral("width")).toInt(), 100);
    }

    void eachSizeStepStoresBothAndResizesEveryWindow() {
        c.heightSpinBox->setValue(450);
        // The width shown in its box (clamped) is what is stored with the new height.
        QCOMPARE(savedValue(QStringLiteral("width")).toInt(), 250);
        QCOMPARE(savedValue(QStringLiteral("height")).toInt(), 450);
        c.widthSpinBox->setValue(600);
        QCOMPARE(savedValue(QStringLiteral("width")).toInt(), 600);
        QCOMPARE(savedValue(QStringLiteral("height")).toInt(), 450);
        for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
            QCOMPARE(window->size(), QSize(600, 450));
        QCOMPARE(c.phraseList->width(), 600);
    }

    void checkBoxesWriteThroughBothWays_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("badge corner tells when it takes effect")
            << QStringLiteral("角标放左上角还是右上角？") << QStringLiteral("jiaobiao")
            << QStringLiteral("鼠标移到主窗口后生效  ");
        QTest::newRow("badge key while pinned")
            << QStringLiteral("钉住窗口时按下短语项对应角标输入短语？")
            << QStringLiteral("badge_key_input_phrase_when_pinned") << QString();
        QTest::newRow("enter while pinned")
            << QStringLiteral("钉住窗口时按下回车键输入短语？")
            << QStringLiteral("enter_key_input_phrase_when_pinned") << QString();
        QTest::newRow("arrow keys cycle")
            << QStringLiteral("上下方向键可以首尾循环选择短语项：")
            << QStringLiteral("arrow_key_cycle_select_phrase_item") << QString();
    }
    void checkBoxesWriteThroughBothWays() {
        QFETCH(QString, label);
        QFETCH(QString, key);
        QFETCH(QString, message);
        auto *box = rowControl<QCheckBox>(label);
        QVERIFY(box);
        QCOMPARE(box->isChecked(), configBool(key));
        for (int i = 0; i < 2; ++i) {
            const bool next = !box->isChecked();
            QCOMPARE(changeAndReadMessage([box] { box->click(); }), message);
            QCOMPARE(savedValue(key), QJsonValue(next));
        }
    }

    void spinBoxesWriteThrough_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("default item height explains what it affects")
            << QStringLiteral("默认短语项高度：") << QStringLiteral("default_item_height") << 44
            << itemHeightMessage;
        QTest::newRow("scroll speed")
            << QStringLiteral("滚动条滚动速度：") << QStringLiteral("gundong") << 9 << QString();
        QTest::newRow("input pause") << QStringLiteral("高级输入间隔（毫秒）") << QStringLiteral("delay")
                                     << 1500 << QString();
    }
    void spinBoxesWriteThrough() {
        QFETCH(QString, label);
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(QString, message);
        auto *box = rowControl<QSpinBox>(label);
        QCOMPARE(changeAndReadMessage([box, value] { box->setValue(value); }), message);
        QCOMPARE(savedValue(key).toInt(), value);
    }

    void paddingsRestyleTheListAtOnce() {
        rowControl<QSpinBox>(QStringLiteral("短语项左右内边距："))->setValue(7);
        rowControl<QSpinBox>(QStringLiteral("短语项上下内边距："))->setValue(3);
        QCOMPARE(savedValue(QStringLiteral("phrase_item_padding_horizontal")).toInt(), 7);
        QCOMPARE(savedValue(QStringLiteral("phrase_item_padding_vertical")).toInt(), 3);
        const int itemHeight = c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt();
        QCOMPARE(c.phraseList->styleSheet(), phraseItemStyleSheet(itemHeight));
        QVERIFY(c.phraseList->styleSheet().contains(QStringLiteral("padding: 3px 7px")));
    }

    void alwaysOnTopShowsTheHiddenPickWindowEitherWay() {
        auto *box = rowControl<QCheckBox>(QStringLiteral("主窗口始终置顶："));
        QVERIFY(!box->isChecked());
        showWindow(c.pickWindow); // shown once before, as after any start without "--autostart"
        for (bool on : {true, false}) {
            c.pickWindow->move(10, 20);
            c.pickWindow->hide();
            box->click();
            QCOMPARE(savedValue(QStringLiteral("zhiding")), QJsonValue(on));
            QCOMPARE(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(c.pickWindow->isVisible());
            QCOMPARE(c.pickWindow->pos(), QPoint(configInt(QStringLiteral("chuangkou_x")),
                                                 configInt(QStringLiteral("chuangkou_y"))));
        }
    }

    void autostartEntryFollowsTheCheckBox() {
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("the desktop entry; the Windows build's Run value has a test of its own");
        const QString entry = autostartEntryLocation();
        QVERIFY(entry.startsWith(m_xdg.path()));
        auto readEntry = [entry] {
            QFile f(entry);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        // Autostart was on at start-up: the entry names this executable.
        auto *box = rowControl<QCheckBox>(QStringLiteral("开机自启动："));
        QVERIFY(box->isChecked());
        QCOMPARE(readEntry(), autostartDesktopEntry(QCoreApplication::applicationFilePath()));
        box->click();
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(savedValue(QStringLiteral("ziqidong")), QJsonValue(false));
        box->click();
        QCOMPARE(readEntry(), autostartDesktopEntry(QCoreApplication::applicationFilePath()));
        QCOMPARE(savedValue(QStringLiteral("ziqidong")), QJsonValue(true));
    }

    void versionButtonOpensTheHelpPage() {
        auto *button = rowControl<QPushButton>(QStringLiteral("版本："));
        const QUrl page(helpPageAddress);
        QVERIFY(page.isValid());
        QDesktopServices::setUrlHandler(page.scheme(), this, "openUrl");
        button->click();
        QDesktopServices::unsetUrlHandler(page.scheme());
        QCOMPARE(m_openedUrl, page);
    }

    // The boxes show the size the windows were built with; a key that is missing stays so.
    void aMissingSizeShowsTheSizeTheWindowsHave_data() {
        QTest::addColumn<QJsonValue>("width"); // undefined: missing
        QTest::addColumn<QJsonValue>("height");
        QTest::newRow("both missing")
            << QJsonValue(QJsonValue::Undefined) << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("the height missing") << QJsonValue(640) << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("the width not a number") << QJsonValue(QStringLiteral("wide")) << QJsonValue(300);
    }
    void aMissingSizeShowsTheSizeTheWindowsHave() {
        QFETCH(QJsonValue, width);
        QFETCH(QJsonValue, height);
        for (const auto &[key, value] :
             {std::pair{QStringLiteral("width"), width}, std::pair{QStringLiteral("height"), height}}) {
            configObject().remove(key);
            if (!value.isUndefined())
                configObject().insert(key, value);
        }
        saveConfig(c.configPath);
        const QJsonObject stored = configObject();

        applyConfiguredWindowSize(c);

        const QSize shown(c.widthSpinBox->value(), c.heightSpinBox->value());
        for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
            QCOMPARE(window->size(), shown);
        if (width.isDouble())
            QCOMPARE(shown.width(), width.toInt());
        if (height.isDouble())
            QCOMPARE(shown.height(), height.toInt());
        QCOMPARE(configObject(), stored);
        QCOMPARE(savedValue(QStringLiteral("width")), width);
        QCOMPARE(savedValue(QStringLiteral("height")), height);
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
