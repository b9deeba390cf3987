#pragma once
// Registers the kinds of document window with the main frame: the schedule
// first (the first document template), then the two lists and the week.
void RegisterWindowKinds();
