#include "resconv/outputFiles.h"

#include "resconv/answers.h"

std::string_view outputFileName(int outputForm) {
  switch (outputForm) {
    case outputFormCode::resultList:
      return "OUTPUT.TXT";
    case outputFormCode::tecplot:
      return "TECPLOT.TXT";
    case outputFormCode::femap:
      return "FEMAP.NEU";
    case outputFormCode::microAvs:
      return "AVS.INP";
    case outputFormCode::interp:
      return "INTERP.TXT";
    case outputFormCode::restart:
      return "RESTART.DAT";
    default:
      return {};
  }
}

bool openOutputFile(int outputForm, OutputUnit& output, AvsScratch& scratch) {
  const std::string_view name = outputFileName(outputForm);
  if (name.empty()) return false;
  output.open(name);
  if (outputForm == outputFormCode::microAvs) scratch.out.open("AVS.tmp");
  return true;
}
