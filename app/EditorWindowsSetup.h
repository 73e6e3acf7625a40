#pragma once

struct AppContext;

// The add and edit windows: the same children, the last button "添加" or "修改".
void createAddWindow(AppContext &context);
void createEditWindow(AppContext &context);
