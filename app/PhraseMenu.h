#pragma once

class QPoint;

// The phrase list's context menu at a position in the list's viewport: "修改",
// "在当前短语后添加短语", "删除". Nothing is shown over an empty area.
void showPhraseMenu(const QPoint &position);
