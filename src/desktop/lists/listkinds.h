#pragma once
// The reservation list (template 4) and the user list (template 5) as kinds
// of document window of the main frame, with their menus 4 and 5.
void RegisterListViewKinds();
