#pragma once

// Lets go of the pages of font files that the first texts mapped into the program. Laying
// out the first texts of a large font reads glyphs all over its file (FreeType's
// auto-hinter measures a couple of hundred reference glyphs of each script once, then keeps
// only the figures), and the system maps the file's neighbouring pages with each read: a
// CJK font stays mapped megabytes deep for glyphs that are not read again. The pages stay
// in the system's file cache, and a glyph read later maps its page again. Nothing to do on
// Windows, where the system's font service holds the font files.
void releaseFontFilePages();
