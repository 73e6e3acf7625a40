#include "platform/wayland/WaylandKeymap.h"

#include "platform/x11/X11KeySyms.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>

namespace {

struct ContextFree {
    void operator()(xkb_context *c) const { xkb_context_unref(c); }
};
struct KeymapFree {
    void operator()(xkb_keymap *k) const { xkb_keymap_unref(k); }
};
using Context = std::unique_ptr<xkb_context, ContextFree>;
using Keymap = std::unique_ptr<xkb_keymap, KeymapFree>;

// The XKB key code that gives keysym in the layout: on the first level if any key does,
// else on the lowest level of the first key that has it; 0 when none.
xkb_keycode_t keycodeOf(xkb_keymap *keymap, xkb_keysym_t keysym, xkb_layout_index_t layout) {
    xkb_keycode_t onHigherLevel = 0;
    xkb_level_index_t bestLevel = ~0u;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= last && code != 0; ++code) {
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, code);
        if (layouts == 0)
            continue;
        // A key with fewer layouts than the keymap repeats them (XKB wraps the index).
        const xkb_layout_index_t keyLayout = layout % layouts;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, keyLayout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t *syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, keyLayout, level, &syms);
            for (int i = 0; i < count; ++i) {
                if (syms[i] != keysym)
                    continue;
                if (level == 0)
                    return code;
                if (level < bestLevel) {
                    bestLevel = level;
                    onHigherLevel = code;
                }
            }
        }
    }
    return onHigherLevel;
}

} // namespace

std::map<quint16, quint32> evdevCodesForVirtualKeys(const QByteArray &xkbKeymapText, quint32 layout) {
    std::map<quint16, quint32> codes;
    const Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context || xkbKeymapText.isEmpty())
        return codes;
    const Keymap keymap(
        xkb_keymap_new_from_buffer(context.get(), xkbKeymapText.constData(),
                                   size_t(qstrnlen(xkbKeymapText.constData(), size_t(xkbKeymapText.size()))),
                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return codes;
    // A layout the keymap does not have is the first one (what XKB makes of it).
    if (layout >= xkb_keymap_num_layouts(keymap.get()))
        layout = 0;
    for (quint32 vk = 1; vk <= 0xFF; ++vk) {
        const unsigned long keysym = x11KeysymForVirtualKey(std::uint16_t(vk));
        if (keysym == 0)
            continue;
        const xkb_keycode_t code = keycodeOf(keymap.get(), xkb_keysym_t(keysym), layout);
        if (code > 8)
            codes[quint16(vk)] = code - 8;
    }
    return codes;
}

QByteArray xkbKeymapTextOfLayout(const QString &layout, const QString &variant) {
    const Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context)
        return {};
    const QByteArray layoutName = layout.toUtf8(), variantName = variant.toUtf8();
    xkb_rule_names names{};
    names.layout = layoutName.constData();
    names.variant = variantName.isEmpty() ? nullptr : variantName.constData();
    const Keymap keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return {};
    char *text = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    const QByteArray result(text);
    free(text);
    return result;
}
