// Placeholder: replaced by the result-file reader.
#include "common/resultFile.h"
void openResultFile(InputUnit& unit, std::string_view fileName) { unit.openOld(fileName); }
std::string readResultTitle(InputUnit&) { return std::string(80, ' '); }
ResultCounts readResultCounts(InputUnit&) { return {}; }
void readResultMesh(InputUnit&, const ResultCounts&, const MeshArrays&) {}
bool readResultStep(InputUnit&, const ResultCounts&, int&, double&, const StepArrays&) {
  return false;
}
