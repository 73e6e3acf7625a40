#include "platform/wayland/SeatKeymap.h"

#include <cstring>
#include <xkbcommon/xkbcommon.h>

PortalKeyOutput::Layout keymapCarries(xkb_keymap *keymap, quint32 keysym) {
    if (!keymap)
        return PortalKeyOutput::Layout::Unknown;
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keymap);
    if (layouts == 0)
        return PortalKeyOutput::Layout::Unknown;
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        bool found = false;
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
             !found && code <= xkb_keymap_max_keycode(keymap); ++code) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, layout);
            for (xkb_level_index_t level = 0; !found && level < levels && level < 2; ++level) {
                const xkb_keysym_t *syms = nullptr;
                const int count = xkb_keymap_key_get_syms_by_level(keymap, code, layout, level, &syms);
                for (int i = 0; i < count; ++i)
                    found = found || syms[i] == keysym;
            }
        }
        if (!found)
            return PortalKeyOutput::Layout::Missing;
    }
    return PortalKeyOutput::Layout::Carried;
}

PortalKeyOutput::Layout keymapTextCarries(const QByteArray &keymapText, quint32 keysym) {
    // Compiled once per keymap the compositor sends (it sends another when the user changes
    // the layouts), not for every key.
    static QByteArray compiledText;
    static xkb_keymap *compiled = nullptr;
    if (keymapText != compiledText) {
        if (compiled)
            xkb_keymap_unref(compiled);
        compiled = nullptr;
        compiledText = keymapText;
        if (xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
            // The text may end with a zero within its size.
            compiled = xkb_keymap_new_from_buffer(
                context, keymapText.constData(), ::strnlen(keymapText.constData(), size_t(keymapText.size())),
                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            xkb_context_unref(context);
        }
    }
    return keymapCarries(compiled, keysym);
}
