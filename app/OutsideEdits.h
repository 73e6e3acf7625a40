#pragma once

struct AppContext;
class FileChangeWatcher;

// Follows changes made to config.json, data.json and tab.json by someone else while the
// program runs, once a writer has finished (see writeJsonFile). config.json is read again
// and applied. data.json is merged with the program's phrases; tab.json is read again when
// the program holds no change of its own, and otherwise kept beside the file before the
// program's groups are written. A group that phrases name and tab.json lacks is added
// back. A deleted file is written again from memory.
FileChangeWatcher *watchDataFiles(AppContext &context);

void reloadConfigFromOutside(AppContext &context);
void applyConfigFromOutside(AppContext &context);
void reloadPhrasesFromOutside(AppContext &context);
void reloadGroupsFromOutside(AppContext &context);
