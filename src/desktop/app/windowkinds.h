#pragma once
// Registers the three kinds of document window with the main frame: the
// schedule first (the first document template), then the two lists.
void RegisterWindowKinds();
