#pragma once

#include "library/PhraseItem.h"

struct AppContext;

// The pick window and its children, built in start-up order.
void createPickWindow(AppContext &context);
// The first text measured, before the tabs and phrases need it: the font of the pick window
// and its fallback for Chinese text, the most of what the first text costs.
void loadPickWindowFont(AppContext &context);
// The hidden list that stores the phrases, still empty.
void createPhraseStore(AppContext &context);
// Fills the store from data.json as read by readPhraseFile().
void setUpPhraseList(AppContext &context, PhraseFileRead phraseFile);
void setUpGroupsAndSearch(AppContext &context);
void createSettingsButton(AppContext &context);
void createAddButton(AppContext &context);
void createPinButton(AppContext &context);
void createPhraseMenu(AppContext &context);
