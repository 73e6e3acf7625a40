#include "app/HelpPages.h"

namespace {

const char *const pageStyle =
    "<style>"
    "body { color: #222222; font-family: \"Inter\", \"Segoe UI\", \"Microsoft YaHei UI\", \"Microsoft "
    "YaHei\", "
    "\"Source Han Sans SC\", \"PingFang SC\", \"Helvetica Neue\", Arial, sans-serif, \"Segoe UI Symbol\", "
    "\"Euphemia\", \"Gadugi\"; font-size: 14px; line-height: 1.55; }"
    "h2 { margin: 0 0 10px 0; font-size: 20px; }"
    "h3 { margin: 18px 0 8px 0; font-size: 16px; }"
    "p { margin: 6px 0; }"
    "table { border-collapse: collapse; width: 100%; }"
    "th, td { border: 1px solid #dddddd; padding: 6px 8px; text-align: left; vertical-align: top; }"
    "th { background: #f3f5f7; }"
    "code { color: #9a3412; background: #fff3e8; padding: 1px 4px; border-radius: 3px; "
    "font-family: \"Consolas\", \"Microsoft YaHei\", monospace; }"
    "ol { margin-top: 6px; padding-left: 22px; }"
    "</style>";

QString page(const char *body) {
    return QString::fromUtf8(pageStyle) + QString::fromUtf8(body);
}

} // namespace

QString basicTutorialHtml() {
    return page(
        "<h2>什么是高级输入？</h2>"
        "<p>在短语中插入标签，让Verbolin除了输入文字，还能按键、停顿、粘贴图片/文件。</p>"
        "<h3>常用写法</h3>"
        "<table><tr><th>写法</th><th>效果</th></tr>"
        "<tr><td><code>&lt;img 图片路径&gt;</code></td><td>粘贴图片</td></tr>"
        "<tr><td><code>&lt;file 文件路径&gt;</code></td><td>粘贴文件</td></tr>"
        "<tr><td><code>&lt;Enter&gt;</code></td><td>按回车。相当于您在键盘按下回车键</td></tr>"
        "<tr><td><code>&lt;sleep&gt;</code></td><td>停顿1秒</td></tr>"
        "<tr><td><code>&lt;sleep 2s&gt;</code></td><td>停顿2秒</td></tr>"
        "<tr><td><code>&lt;press A&gt;</code></td><td>按单个按键</td></tr>"
        "<tr><td><code>&lt;press Ctrl+Shift+A&gt;</code></td><td>按组合快捷键</td></tr>"
        "</table>"
        "<h3>使用示例（以微信为例）</h3>"
        "<p>写法1：<br><code>感谢使用Verbolin！&lt;Enter&gt;如果觉得好用记得点个Star！&lt;Enter&gt;</code></"
        "p>"
        "<p>效果：连发两条消息，</p>"
        "<ol><li>第一条为“感谢使用Verbolin！”。</li><li>第二条为“如果觉得好用记得点个Star！”。</li></ol>"
        "<p>写法2：<br><code>输入图片&lt;Enter&gt;&lt;img "
        "C:\\图片.png&gt;&lt;Enter&gt;&lt;sleep&gt;输入结束&lt;Enter&gt;"
        "</code></p>"
        "<p>效果：连发三条消息，</p>"
        "<ol><li>第一条为“输入图片”。</li><li>第二条为图片。</li>"
        "<li>停顿1秒。微信上传图片需要时间，因此可以使用<code>&lt;sleep&gt;</code>手动指定停顿时间，"
        "等待图片上传完成后再执行后续操作，防止文字与图片顺序错乱。</li>"
        "<li>第三条为“输入结束”。</li></ol>"
        "<h3>补充规则</h3>"
        "<ol><li>如果标签不符合规则，会原样输入。</li>"
        "<li>如果想原样输入<code>&lt;Enter&gt;</code>，请写成<code>\\&lt;Enter&gt;</code>。</li>"
        "<li>标签不区分大小写。也就是说<code>&lt;Enter&gt;</code>可以写成<code>&lt;enter&gt;</code>。</li>"
        "<li>每执行一次高级输入，会按照设置里的“高级输入间隔”停顿一下。</li></ol>"
        "<p><a href=\"verbolin://full-tutorial\">查看更完整的教程</a></p>");
}

QString fullTutorialHtml() {
    return page(
        "<p><a href=\"verbolin://basic-tutorial\">↩返回基础教程</a></p>"
        "<h3><code>&lt;press&gt;</code>相关</h3>"
        "<p>可以写成<code>&lt;Enter&gt;</code>这种简写的按键：</p>"
        "<table><tr><th>按键</th><th>别名</th><th>说明</th></tr>"
        "<tr><td><code>Enter</code></td><td><code>Return</code></td><td>回车键</td></tr>"
        "<tr><td><code>Space</code></td><td>无</td><td>空格键</td></tr>"
        "<tr><td><code>Tab</code></td><td>无</td><td>Tab键</td></tr>"
        "<tr><td><code>Esc</code></td><td><code>Escape</code></td><td>Esc键</td></tr>"
        "<tr><td><code>Backspace</code></td><td>无</td><td>退格键</td></tr>"
        "<tr><td><code>Insert</code></td><td><code>Ins</code></td><td>Insert键</td></tr>"
        "<tr><td><code>Left</code></td><td>无</td><td>左方向键</td></tr>"
        "<tr><td><code>Right</code></td><td>无</td><td>右方向键</td></tr>"
        "<tr><td><code>Up</code></td><td>无</td><td>上方向键</td></tr>"
        "<tr><td><code>Down</code></td><td>无</td><td>下方向键</td></tr>"
        "<tr><td><code>Ctrl</code></td><td><code>Control</code></td><td>Ctrl键</td></tr>"
        "<tr><td><code>Shift</code></td><td>无</td><td>Shift键</td></tr>"
        "<tr><td><code>Alt</code></td><td>无</td><td>Alt键</td></tr>"
        "<tr><td><code>Win</code></td><td><code>Meta</code>、<code>Windows</code></td><td>Windows键</td></tr>"
        "</table>"
        "<br><p>只能写在<code>&lt;press ...&gt;</code>里的按键：</p>"
        "<table><tr><th>按键</th><th>说明</th></tr>"
        "<tr><td><code>A</code>~<code>Z</code></td><td>无</td></tr>"
        "<tr><td><code>0</code>~<code>9</code></td><td>无</td></tr>"
        "<tr><td><code>F1</code>~<code>F24</code></td><td>无</td></tr>"
        "<tr><td>组合快捷键</td><td>例如<code>&lt;press Ctrl+Shift+A&gt;</code></td></tr>"
        "<tr><td>上面提到的可以简写的所有按键</td><td>例如<code>&lt;press Enter&gt;</code></td></tr>"
        "</table>"
        "<br><p>组合快捷键说明：</p>"
        "<ol><li>修饰键可以写Ctrl（可以写成Control）、Shift、Alt、Win（可以写成Meta或Windows）。</li>"
        "<li>修饰键的顺序无所谓。</li>"
        "<li>每个组合快捷键最多只能有一个主键。例如<code>&lt;press Ctrl+A&gt;</code>可以，"
        "<code>&lt;press Ctrl+A+B&gt;</code>不可以。</li></ol>"
        "<h3><code>&lt;sleep&gt;</code>相关</h3>"
        "<ol><li><code>&lt;sleep 2s&gt;</code>可以写成<code>&lt;sleep 2&gt;</code>。</li>"
        "<li>sleep最小停顿时间是毫秒。例如<code>&lt;sleep 100ms&gt;</code>可以，"
        "<code>&lt;sleep 100.5ms&gt;</code>不可以。</li>"
        "<li><code>&lt;sleep 0.1005s&gt;</code>可以，此时它会四舍五入，相当于<code>&lt;sleep "
        "0.101s&gt;</code>。</li>"
        "<li>如果停顿时间不符合规则，会原样输入。</li></ol>"
        "<h3><code>&lt;img&gt;</code>、<code>&lt;file&gt;</code>相关</h3>"
        "<p>图片、文件路径说明：</p>"
        "<ol><li>只能写绝对路径。</li><li>不能写文件夹路径。</li>"
        "<li>可以加引号。例如<code>&lt;img \"C:\\图片.png\"&gt;</code>。</li>"
        "<li>如果路径不存在，会原样输入。</li></ol>");
}
