#pragma once
// The pictures of the tool bar buttons and the program's icon, drawn here
// so they stay sharp at any size and need no image files.
#include <QIcon>

QIcon ToolIcon(int command);
QIcon AppIcon();
