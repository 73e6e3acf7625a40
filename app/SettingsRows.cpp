#include "app/SettingsRows.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/WindowSize.h"
#include "library/PhraseFilter.h"
#include "pickwindow/MyTabBar.h"
#include "pickwindow/Pinning.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>

const QString helpPageAddress = QStringLiteral("https://github.com/verbolin/verbolin#readme");

namespace {

void storeAndSave(const QString &key, const QJsonValue &value) {
    configObject().insert(key, value);
    saveConfig(appContext().configPath);
}

void tellUser(const QString &text) {
    QMessageBox::information(appContext().settingsWindow, QStringLiteral("提示"), text, QMessageBox::Ok);
}

QHBoxLayout *rowLayout(QWidget *container) {
    auto *layout = new QHBoxLayout(container);
    layout->setSpacing(4);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

// One control on the left of a fixed-height row.
void addSingleControlRow(QFormLayout *form, const QString &label, QWidget *control) {
    auto *container = new QWidget;
    QHBoxLayout *layout = rowLayout(container);
    layout->addWidget(control);
    layout->addStretch();
    container->setFixedHeight(37);
    form->addRow(label, container);
}

// The range comes first, so a stored value outside it shows clamped (and stays stored as is).
QSpinBox *newSpinBox(int minimum, int maximum, const QString &key) {
    auto *box = new QSpinBox;
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    box->setRange(minimum, maximum);
    box->setValue(configInt(key));
    return box;
}

QCheckBox *addCheckBoxRow(QFormLayout *form, const QString &label, const QString &key, bool readDefault) {
    auto *box = new QCheckBox;
    box->setChecked(configBool(key, readDefault));
    addSingleControlRow(form, label, box);
    return box;
}

QSpinBox *addSpinBoxRow(QFormLayout *form, const QString &label, const QString &key, int minimum,
                        int maximum) {
    QSpinBox *box = newSpinBox(minimum, maximum, key);
    form->addRow(label, box);
    return box;
}

void storeWhenToggled(QCheckBox *box, const QString &key) {
    QObject::connect(box, &QCheckBox::toggled, box, [key](bool on) { storeAndSave(key, on); });
}

void storeWhenChanged(QSpinBox *box, const QString &key) {
    QObject::connect(box, &QSpinBox::valueChanged, box, [key](int value) { storeAndSave(key, value); });
}

// New paddings show at once in the current group's item style.
void restylePhraseList() {
    const AppContext &c = appContext();
    const int itemHeight = c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt();
    c.phraseList->setStyleSheet(phraseItemStyleSheet(itemHeight));
}

void storeWindowSize(int width, int height) {
    configObject().insert(QStringLiteral("width"), width);
    configObject().insert(QStringLiteral("height"), height);
    saveConfig(appContext().configPath);
    applyWindowSize(appContext(), configInt(QStringLiteral("width")), configInt(QStringLiteral("height")));
}

void addWindowSizeRow(AppContext &c, QFormLayout *form) {
    auto *container = new QWidget;
    QHBoxLayout *layout = rowLayout(container);
    c.widthSpinBox = newSpinBox(minimumWindowLength, maximumWindowLength, QStringLiteral("width"));
    c.heightSpinBox = newSpinBox(minimumWindowLength, maximumWindowLength, QStringLiteral("height"));
    layout->addWidget(new QLabel(QStringLiteral("宽度")));
    layout->addWidget(c.widthSpinBox);
    layout->addWidget(new QLabel(QStringLiteral("高度")));
    layout->addWidget(c.heightSpinBox);
    layout->addStretch();
    form->addRow(QStringLiteral("窗口大小："), container);
}

} // namespace

QKeySequenceEdit *addGlobalHotkeyRow(QFormLayout *form) {
    // Stored as portable text, read back in the native form.
    auto *editor =
        new QKeySequenceEdit(QKeySequence(configString(QStringLiteral("hotkey")), QKeySequence::NativeText));
    form->addRow(QStringLiteral("全局快捷键："), editor);
    return editor;
}

void addAlwaysOnTopRow(QFormLayout *form) {
    QCheckBox *box =
        addCheckBoxRow(form, QStringLiteral("主窗口始终置顶："), QStringLiteral("zhiding"), false);
    QObject::connect(box, &QCheckBox::toggled, box, &onAlwaysOnTopToggled);
}

void addRemainingSettingsRows(AppContext &c, QFormLayout *form) {
    addWindowSizeRow(c, form);

    QSpinBox *itemHeight = addSpinBoxRow(form, QStringLiteral("默认短语项高度："),
                                         QStringLiteral("default_item_height"), 10, 100);
    QSpinBox *paddingH = addSpinBoxRow(form, QStringLiteral("短语项左右内边距："),
                                       QStringLiteral("phrase_item_padding_horizontal"), 0, 100);
    QSpinBox *paddingV = addSpinBoxRow(form, QStringLiteral("短语项上下内边距："),
                                       QStringLiteral("phrase_item_padding_vertical"), 0, 100);
    QSpinBox *scrollStep =
        addSpinBoxRow(form, QStringLiteral("滚动条滚动速度："), QStringLiteral("gundong"), 1, 100);
    QCheckBox *badgeCorner =
        addCheckBoxRow(form, QStringLiteral("角标放左上角还是右上角？"), QStringLiteral("jiaobiao"), false);
    QCheckBox *badgeKeyWhenPinned =
        addCheckBoxRow(form, QStringLiteral("钉住窗口时按下短语项对应角标输入短语？"),
                       QStringLiteral("badge_key_input_phrase_when_pinned"), true);
    QCheckBox *enterWhenPinned = addCheckBoxRow(form, QStringLiteral("钉住窗口时按下回车键输入短语？"),
                                                QStringLiteral("enter_key_input_phrase_when_pinned"), true);
    QCheckBox *arrowCycle = addCheckBoxRow(form, QStringLiteral("上下方向键可以首尾循环选择短语项："),
                                           QStringLiteral("arrow_key_cycle_select_phrase_item"), true);
    QCheckBox *autostart =
        addCheckBoxRow(form, QStringLiteral("开机自启动："), QStringLiteral("ziqidong"), false);
    // The entry follows the executable when the program was moved since the last start.
    if (configBool(QStringLiteral("ziqidong")))
        syncAutostartEntry();
    QSpinBox *delay =
        addSpinBoxRow(form, QStringLiteral("高级输入间隔（毫秒）"), QStringLiteral("delay"), 0, 2000);

    auto *version = new QPushButton(QStringLiteral("1.7.0"));
    version->setFixedWidth(100);
    version->setCursor(Qt::PointingHandCursor);
    addSingleControlRow(form, QStringLiteral("版本："), version);

    // Connected only now: building the window writes nothing.
    QObject::connect(itemHeight, &QSpinBox::valueChanged, itemHeight, [](int value) {
        storeAndSave(QStringLiteral("default_item_height"), value);
        tellUser(QStringLiteral("该设置名称为“默认短语项高度”，因此只影响新建分组时的短语项高度的值。  \n"
                                "如果要修改某个分组的短语项高度，请右键修改该分组。  "));
    });
    for (const auto &[box, key] : {std::pair{paddingH, QStringLiteral("phrase_item_padding_horizontal")},
                                   std::pair{paddingV, QStringLiteral("phrase_item_padding_vertical")}}) {
        QObject::connect(box, &QSpinBox::valueChanged, box, [key = key](int value) {
            storeAndSave(key, value);
            restylePhraseList();
        });
    }
    // The scroll step is read at start-up only.
    storeWhenChanged(scrollStep, QStringLiteral("gundong"));
    QObject::connect(badgeCorner, &QCheckBox::toggled, badgeCorner, [](bool on) {
        storeAndSave(QStringLiteral("jiaobiao"), on);
        tellUser(QStringLiteral("鼠标移到主窗口后生效  "));
    });
    storeWhenToggled(badgeKeyWhenPinned, QStringLiteral("badge_key_input_phrase_when_pinned"));
    storeWhenToggled(enterWhenPinned, QStringLiteral("enter_key_input_phrase_when_pinned"));
    storeWhenToggled(arrowCycle, QStringLiteral("arrow_key_cycle_select_phrase_item"));
    QObject::connect(autostart, &QCheckBox::toggled, autostart, &setAutostart);
    storeWhenChanged(delay, QStringLiteral("delay"));
    QObject::connect(version, &QPushButton::clicked, version,
                     [] { QDesktopServices::openUrl(QUrl(helpPageAddress)); });
}

void applyConfiguredWindowSize(AppContext &c) {
    // A missing or mistyped size would give zero-sized windows: fall back to the default;
    // a hand-edited huge one would take gigabytes: keep it in the spin boxes' range.
    const int width = boundedWindowLength(configInt(QStringLiteral("width"), 500));
    const int height = boundedWindowLength(configInt(QStringLiteral("height"), 500));
    applyWindowSize(c, width, height);
    // The boxes were filled before the size was known; showing it must not store it.
    for (const auto &[box, value] : {std::pair{c.widthSpinBox, width}, std::pair{c.heightSpinBox, height}}) {
        if (!box)
            continue;
        const QSignalBlocker quiet(box);
        box->setValue(value);
    }
}

void connectWindowSizeSpinBoxes(AppContext &c) {
    QSpinBox *width = c.widthSpinBox;
    QSpinBox *height = c.heightSpinBox;
    QObject::connect(width, &QSpinBox::valueChanged, width,
                     [height](int value) { storeWindowSize(value, height->value()); });
    QObject::connect(height, &QSpinBox::valueChanged, height,
                     [width](int value) { storeWindowSize(width->value(), value); });
}

void setAutostart(bool on) {
    setAutostartEntry(on);
    storeAndSave(QStringLiteral("ziqidong"), on);
}
