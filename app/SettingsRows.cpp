#include "app/SettingsRows.h"

#include "app/Pinning.h"
#include "app/WindowSize.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/GroupView.h"
#include "library/PhraseFilter.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonValue>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QUrl>

const QString helpPageAddress = QStringLiteral("https://github.com/verbolin/verbolin#readme");

namespace {

// A setter of library/Settings.h, then the file saved.
template <typename T> void storeAndSave(void (*store)(T), T value) {
    store(value);
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
QSpinBox *newSpinBox(int minimum, int maximum, int value) {
    auto *box = new QSpinBox;
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

QCheckBox *addCheckBoxRow(QFormLayout *form, const QString &label, bool checked) {
    auto *box = new QCheckBox;
    box->setChecked(checked);
    addSingleControlRow(form, label, box);
    return box;
}

QSpinBox *addSpinBoxRow(QFormLayout *form, const QString &label, int value, int minimum, int maximum) {
    QSpinBox *box = newSpinBox(minimum, maximum, value);
    form->addRow(label, box);
    return box;
}

void storeWhenToggled(QCheckBox *box, void (*store)(bool)) {
    QObject::connect(box, &QCheckBox::toggled, box, [store](bool on) { storeAndSave(store, on); });
}

void storeWhenChanged(QSpinBox *box, void (*store)(int)) {
    QObject::connect(box, &QSpinBox::valueChanged, box, [store](int value) { storeAndSave(store, value); });
}

// New paddings show at once in the current group's item style.
void restylePhraseList() {
    const AppContext &c = appContext();
    const int itemHeight = c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt();
    c.phraseView->setStyleSheet(phraseItemStyleSheet(itemHeight));
}

void storeWindowSize(int width, int height) {
    settings::setWindowSize(width, height);
    saveConfig(appContext().configPath);
    applyWindowSize(appContext(), width, height);
}

void addWindowSizeRow(AppContext &c, QFormLayout *form) {
    auto *container = new QWidget;
    QHBoxLayout *layout = rowLayout(container);
    c.widthSpinBox = newSpinBox(minimumWindowLength, maximumWindowLength, settings::windowWidth());
    c.heightSpinBox = newSpinBox(minimumWindowLength, maximumWindowLength, settings::windowHeight());
    layout->addWidget(new QLabel(QStringLiteral("宽度")));
    layout->addWidget(c.widthSpinBox);
    layout->addWidget(new QLabel(QStringLiteral("高度")));
    layout->addWidget(c.heightSpinBox);
    layout->addStretch();
    form->addRow(QStringLiteral("窗口大小："), container);
}

// Under Wayland no program is told which window has the focus: one chord pastes into
// every program there.
void addPasteKeysRow(QFormLayout *form) {
    const QJsonValue stored = settings::pasteKeys();
    const QKeySequence usual(Qt::CTRL | Qt::Key_V);
    auto *editor = new QKeySequenceEdit(
        stored.isString() ? QKeySequence(stored.toString(), QKeySequence::PortableText) : usual);
    editor->setToolTip(QStringLiteral("Wayland 下不知道当前是哪个程序，输入短语时都按这个键粘贴。\n"
                                      "在终端里输入短语，请改成 Ctrl+Shift+V。"));
    form->addRow(QStringLiteral("Wayland 下的粘贴键："), editor);
    QObject::connect(editor, &QKeySequenceEdit::editingFinished, editor, [editor, usual] {
        // One combination; cleared, the usual chord again.
        const QKeySequence keys = editor->keySequence();
        const QKeySequence chord = keys.isEmpty() ? usual : QKeySequence(keys[0]);
        if (chord != keys)
            editor->setKeySequence(chord);
        settings::setPasteKeys(chord.toString(QKeySequence::PortableText));
        saveConfig(appContext().configPath);
    });
}

} // namespace

QKeySequenceEdit *addGlobalHotkeyRow(QFormLayout *form) {
    // Stored as portable text, read back in the native form.
    auto *editor = new QKeySequenceEdit(QKeySequence(settings::globalHotkey(), QKeySequence::NativeText));
    form->addRow(QStringLiteral("全局快捷键："), editor);
    return editor;
}

void addAlwaysOnTopRow(QFormLayout *form) {
    QCheckBox *box = addCheckBoxRow(form, QStringLiteral("主窗口始终置顶："), settings::alwaysOnTop());
    QObject::connect(box, &QCheckBox::toggled, box, &onAlwaysOnTopToggled);
}

void addRemainingSettingsRows(AppContext &c, QFormLayout *form) {
    addWindowSizeRow(c, form);

    QSpinBox *itemHeight =
        addSpinBoxRow(form, QStringLiteral("默认短语项高度："), settings::defaultItemHeight(), 10, 100);
    QSpinBox *paddingH = addSpinBoxRow(form, QStringLiteral("短语项左右内边距："),
                                       settings::phraseItemPaddingHorizontal(), 0, 100);
    QSpinBox *paddingV = addSpinBoxRow(form, QStringLiteral("短语项上下内边距："),
                                       settings::phraseItemPaddingVertical(), 0, 100);
    QSpinBox *scrollStep =
        addSpinBoxRow(form, QStringLiteral("滚动条滚动速度："), settings::scrollStep(), 1, 100);
    QCheckBox *badgeCorner =
        addCheckBoxRow(form, QStringLiteral("角标放左上角还是右上角？"), settings::badgeOnLeft());
    QCheckBox *badgeKeyWhenPinned = addCheckBoxRow(
        form, QStringLiteral("钉住窗口时按下短语项对应角标输入短语？"), settings::badgeKeyInputsWhenPinned());
    QCheckBox *enterWhenPinned = addCheckBoxRow(form, QStringLiteral("钉住窗口时按下回车键输入短语？"),
                                                settings::enterKeyInputsWhenPinned());
    QCheckBox *arrowCycle = addCheckBoxRow(form, QStringLiteral("上下方向键可以首尾循环选择短语项："),
                                           settings::arrowKeysWrapAround());
    QCheckBox *allGroups =
        addCheckBoxRow(form, QStringLiteral("搜索所有分组："), settings::searchesAllGroups());
    QCheckBox *autostart = addCheckBoxRow(form, QStringLiteral("开机自启动："), settings::startsAtLogin());
    QSpinBox *delay =
        addSpinBoxRow(form, QStringLiteral("高级输入间隔（毫秒）"), settings::inputDelay(), 0, 2000);
    addPasteKeysRow(form);

    auto *version = new QPushButton(QStringLiteral("1.7.0"));
    version->setFixedWidth(100);
    version->setCursor(Qt::PointingHandCursor);
    addSingleControlRow(form, QStringLiteral("版本："), version);

    // Connected only now: building the window writes nothing.
    QObject::connect(itemHeight, &QSpinBox::valueChanged, itemHeight, [](int value) {
        storeAndSave(&settings::setDefaultItemHeight, value);
        tellUser(QStringLiteral("该设置名称为“默认短语项高度”，因此只影响新建分组时的短语项高度的值。  \n"
                                "如果要修改某个分组的短语项高度，请右键修改该分组。  "));
    });
    for (const auto &[box, store] : {std::pair{paddingH, &settings::setPhraseItemPaddingHorizontal},
                                     std::pair{paddingV, &settings::setPhraseItemPaddingVertical}}) {
        QObject::connect(box, &QSpinBox::valueChanged, box, [store = store](int value) {
            storeAndSave(store, value);
            restylePhraseList();
        });
    }
    // The scroll step is read at start-up only.
    storeWhenChanged(scrollStep, &settings::setScrollStep);
    QObject::connect(badgeCorner, &QCheckBox::toggled, badgeCorner, [](bool on) {
        storeAndSave(&settings::setBadgeOnLeft, on);
        tellUser(QStringLiteral("鼠标移到主窗口后生效  "));
    });
    storeWhenToggled(badgeKeyWhenPinned, &settings::setBadgeKeyInputsWhenPinned);
    storeWhenToggled(enterWhenPinned, &settings::setEnterKeyInputsWhenPinned);
    storeWhenToggled(arrowCycle, &settings::setArrowKeysWrapAround);
    // A search under way shows what the setting asks for at once.
    QObject::connect(allGroups, &QCheckBox::toggled, allGroups, [](bool on) {
        storeAndSave(&settings::setSearchesAllGroups, on);
        refilterPhraseList();
    });
    QObject::connect(autostart, &QCheckBox::toggled, autostart, &setAutostart);
    storeWhenChanged(delay, &settings::setInputDelay);
    QObject::connect(version, &QPushButton::clicked, version,
                     [] { QDesktopServices::openUrl(QUrl(helpPageAddress)); });
}

void applyConfiguredWindowSize(AppContext &c) {
    // A missing or mistyped size would give zero-sized windows: fall back to the default;
    // a hand-edited huge one would take gigabytes: keep it in the spin boxes' range.
    const int width = boundedWindowLength(settings::windowWidth());
    const int height = boundedWindowLength(settings::windowHeight());
    applyWindowSize(c, width, height);
    showWindowSizeInSettings(c);
}

void showWindowSizeInSettings(AppContext &c) {
    if (!c.pickWindow || !c.settingsWindow)
        return;
    // The size the windows have, which a stored size out of range or missing is not;
    // showing it must not store it.
    const QSize size = c.pickWindow->size();
    c.settingsWindow->setFixedSize(size);
    for (const auto &[box, value] :
         {std::pair{c.widthSpinBox, size.width()}, std::pair{c.heightSpinBox, size.height()}}) {
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
    storeAndSave(&settings::setStartsAtLogin, on);
}
