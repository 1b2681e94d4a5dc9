#pragma once

#include <string>

class TestRecord;

// The recorded points of the current test as comma-separated text: the header
// "wind,lift,drag,cd,ld", then one row per recorded slot in slot order, wind being the slot's
// speed to one decimal, the other numbers as the shortest text that reads back as the same
// double. Lines end with LF. What zeftool csv prints and the console's export writes.
std::string FormatCsv(const TestRecord& rec);
