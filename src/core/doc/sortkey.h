#pragma once
// The orders of the reservation list. The profile (RView/Sort) and kvtool's
// --sort keep them as the numbers 0 to 5; any other number is kept as it is
// and makes every reservation compare equal.
enum class SortKey : int { Start = 0, End = 1, User = 2, Facility = 3, Purpose = 4, Contact = 5 };

inline constexpr int kSortKeyCount = 6;

constexpr int SortKeyNumber(SortKey key) { return static_cast<int>(key); }
constexpr SortKey SortKeyFromNumber(int number) { return static_cast<SortKey>(number); }
