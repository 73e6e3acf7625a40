#include "library/PhraseItem.h"

#include "app/JsonFile.h"

#include <QBrush>
#include <QColor>
#include <QFile>
#include <QJsonArray>
#include <QListWidget>

namespace {

const QString firstGroupName = QStringLiteral("短语1");

const char *const starterPhrases[] = {
    "快捷键：按下快捷键（默认Ctrl+Shift+V）呼出Verbolin\n添加短语：右上角加号\n修改/"
    "删除：右键短语\n排序：拖动短语",
    "点击短语：输入对应短语\n上下方向键↑↓：移动光标\n回车键Enter：输入光标处短语",
    "右键左上角分组：新建/修改/"
    "删除分组\n分组排序：拖动分组\n左右方向键←→：切换分组\n鼠标滚轮：也可以切换分组",
    "感谢使用Verbolin！\n如果觉得好用记得点个Star！\n让我们开始吧！把这些短语都删掉，然后新建一个短语~",
};

} // namespace

void refreshPhraseItem(QListWidgetItem *item) {
    const QString text = item->data(PhraseTextRole).toString();
    const QString remark = item->data(PhraseRemarkRole).toString();
    item->setData(Qt::ToolTipRole, phraseToolTip(text, remark));
    if (!remark.isEmpty()) {
        item->setData(Qt::DisplayRole, remark);
        item->setData(Qt::ForegroundRole, QBrush(QColor(QStringLiteral("#2E7D32"))));
    } else {
        item->setData(Qt::DisplayRole, text);
        item->setData(Qt::ForegroundRole, QBrush(QColor(QStringLiteral("#323130"))));
    }
}

QListWidgetItem *newPhraseItem(const PhraseRecord &record) {
    auto *item = new QListWidgetItem;
    item->setData(PhraseTextRole, record.text);
    item->setData(PhraseRemarkRole, record.remark);
    item->setData(PhraseGroupRole, record.tab);
    item->setData(PhraseHotkeyRole, record.hotkey);
    refreshPhraseItem(item);
    return item;
}

PhraseRecord phraseRecordOf(const QListWidgetItem *item) {
    return {item->data(PhraseTextRole).toString(), item->data(PhraseRemarkRole).toString(),
            item->data(PhraseGroupRole).toString(), item->data(PhraseHotkeyRole).toString()};
}

void appendFirstRunPhrase(QListWidget *list, const QString &text) {
    list->addItem(newPhraseItem({text, QString(), firstGroupName, QString()}));
}

void loadPhrases(QListWidget *list, const QString &path) {
    const JsonFileRead read = readJsonFile(path);
    if (!read.opened) {
        if (QFile::exists(path))
            keepUnreadableFile(path); // there but unreadable: it must not be replaced
        for (const char *text : starterPhrases)
            appendFirstRunPhrase(list, QString::fromUtf8(text));
        savePhrases(list, path);
        return;
    }
    if (!read.document.isArray()) {
        keepUnreadableFile(path);
        return;
    }
    bool lossy = false;
    const QList<PhraseRecord> records = phraseRecordsFromJson(read.document.array(), &lossy);
    if (lossy)
        keepRepairedFile(path); // the next save would drop what was skipped
    list->clear();
    for (const PhraseRecord &record : records)
        list->addItem(newPhraseItem(record));
}

bool savePhrases(QListWidget *list, const QString &path) {
    QList<PhraseRecord> records;
    records.reserve(list->count());
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        if (item->data(PhraseTextRole).toString().isEmpty()) {
            item->setData(PhraseTextRole, item->data(Qt::DisplayRole).toString());
            refreshPhraseItem(item);
        }
        if (item->data(PhraseGroupRole).toString().isEmpty())
            item->setData(PhraseGroupRole, firstGroupName);
        records.append(phraseRecordOf(item));
    }
    return writeJsonFile(path, QJsonDocument(phraseRecordsToJson(records)));
}
