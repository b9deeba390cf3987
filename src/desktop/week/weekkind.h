#pragma once
// The week window (template 6, menu 6) as a kind of document window of the
// main frame, and the free-room search as a command of every kind's menu.
void RegisterWeekViewKind();
