#pragma once
// The one report of a programming error: a state that right code never reaches (a format that
// does not suit its items, an array shorter than its count, a file of a series opened twice).
// It is no stop of a run (stop.h): the message goes to standard error and the program aborts,
// with nothing to catch and nothing flushed.
#include <string_view>

[[noreturn, gnu::cold]] void programmingError(std::string_view what);
