#pragma once

struct AppContext;

// The pick window and its children, built in start-up order.
void createPickWindow(AppContext &context);
void setUpPhraseList(AppContext &context);
void setUpGroupsAndSearch(AppContext &context);
void createSettingsButton(AppContext &context);
void createAddButton(AppContext &context);
void createPinButton(AppContext &context);
void createPhraseMenu(AppContext &context);
