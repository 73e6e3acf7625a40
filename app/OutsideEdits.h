#pragma once

struct AppContext;
class FileChangeWatcher;

// Follows changes made to config.json, data.json and tab.json by someone else while the
// program runs. config.json is read again and applied. data.json and tab.json are read
// again when the program holds no unsaved change of them; otherwise the outside version
// is kept beside the file before the program's own version is written. A deleted file
// is written again from memory.
FileChangeWatcher *watchDataFiles(AppContext &context);

void reloadConfigFromOutside(AppContext &context);
void applyConfigFromOutside(AppContext &context);
void reloadPhrasesFromOutside(AppContext &context);
void reloadGroupsFromOutside(AppContext &context);
