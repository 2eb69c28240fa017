#pragma once
// Node and element lists typed on the command line: comma-separated numbers and ranges,
// "5,12-14,40" for 5, 12, 13, 14 and 40, in the order given.
#include <string>
#include <string_view>
#include <vector>

// The numbers of `text`; a UsageError naming `option` when it is not such a list (an empty
// item, a sign, a range that runs backwards, a number beyond what an int holds).
std::vector<int> parseNumberList(std::string_view text, std::string_view option);

// A usage error naming `option` when a number lies outside 1..limit; `what` names the limit
// ("the node count 40 of RES.DAT").
void checkNumberRange(const std::vector<int>& numbers, int limit, std::string_view option,
                      std::string_view what);
