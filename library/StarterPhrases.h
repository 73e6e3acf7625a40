#pragma once

// The phrases a first run starts with: a short guide to the program.
inline constexpr const char *starterPhrases[] = {
    "快捷键：按下快捷键（默认Ctrl+Shift+V）呼出Verbolin\n添加短语：右上角加号\n修改/"
    "删除：右键短语\n排序：拖动短语",
    "点击短语：输入对应短语\n上下方向键↑↓：移动光标\n回车键Enter：输入光标处短语",
    "右键左上角分组：新建/修改/"
    "删除分组\n分组排序：拖动分组\n左右方向键←→：切换分组\n鼠标滚轮：也可以切换分组",
    "感谢使用Verbolin！\n如果觉得好用记得点个Star！\n让我们开始吧！把这些短语都删掉，然后新建一个短语~",
};
