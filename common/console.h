#pragma once
// The console: prompts, answers and the opening dialogue both programs share.
//
// Prompts are kept in UTF-8 in the source and shown in code page 932, or in UTF-8 when the
// locale's character set is UTF-8. Titles and file names pass through as bytes.
#include <string>
#include <string_view>

#include "common/units.h"

struct Console {
  OutputUnit out{unitNumber::console};
  InputUnit in{unitNumber::console};
  bool utf8 = false;  // the terminal takes UTF-8 rather than code page 932
};

// Connects standard input and output and decides the console's character set from the locale.
void openConsole(Console& console);
// One prompt line: a free-form write of one text constant (shown after one blank).
void writePrompt(Console& console, std::string_view utf8Text);
// One integer answer, read free-form.
int readAnswer(Console& console);
// One real answer, read free-form.
double readRealAnswer(Console& console);
// A file name: one record read with (A20), trailing blanks dropped.
std::string readFileName(Console& console);

// The result-file name on the sixth record of WORK.LST.
std::string readWorkListResultName();
// The opening question: the result-file name from WORK.LST (answer 0) or typed on the console.
std::string chooseResultFile(Console& console);

// A title of the result file as the console shows it: in UTF-8 on a UTF-8 console, converted
// from code page 932 unless it is UTF-8 already; elsewhere its bytes as they stand.
std::string titleForConsole(std::string_view title, bool utf8Console);

// Converts UTF-8 prompt text to code page 932 (only the characters the prompts use).
std::string toCodePage932(std::string_view utf8Text);
