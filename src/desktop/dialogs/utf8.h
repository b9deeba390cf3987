#pragma once
// Source texts are UTF-8; one short name keeps the Japanese strings readable.
#include <QString>

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
