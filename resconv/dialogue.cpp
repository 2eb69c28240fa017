#include "resconv/dialogue.h"

#include "common/freeForm.h"
#include "common/progress.h"
#include "common/resultFile.h"
#include "resconv/outputForms.h"
#include "resconv/outputSink.h"
#include "resconv/outputTimeFile.h"
#include "resconv/stepLoop.h"

namespace {

namespace form = outputFormCode;

void askOutputForm(Console& console, ConverterAnswers& answers) {
  writePrompt(console, "--- 出力形式の選択　");
  writePrompt(console, "---    　結果リスト /0");
  writePrompt(console, "---    　TECPLOT    /1");
  writePrompt(console, "---      FEMAP      /2");
  writePrompt(console, "---      MicroAVS   /3");
  writePrompt(console, "--- ");
  writePrompt(console, "---      INTERP     /4");
  writePrompt(console, "--- ");
  writePrompt(console, "---    　RESTART    /9");
  answers.outputForm = dialogueOutputForm(readAnswer(console));
}

// The question is asked for answers 1 to 8, forms or not; the result list always reads times.
int askTimeSelection(Console& console, int outputForm) {
  if (outputForm == form::resultList) return 1;
  if (outputForm < 1 || outputForm > 8) return 0;
  writePrompt(console, "---  出力時間の指定を行うか？");
  writePrompt(console, "---           　　   NO /0");
  writePrompt(console, "---           　　   YES/1");
  return readAnswer(console) == 1 ? 1 : 0;
}

}  // namespace

int askSubMeshForm(Console& console) {
  writePrompt(console, "--- 出力形式の選択　");
  writePrompt(console, "---    　TECPLOT    /1");
  writePrompt(console, "---      FEMAP      /2");
  writePrompt(console, "---      MicroAVS   /3");
  writePrompt(console, "---  TALVIX(XY平面）/4");
  writePrompt(console, "---  TALVIX(　断面）/5");
  writePrompt(console, "断面図はXY座標の最小値からの距離を使用。");
  return readAnswer(console);
}

void askRestartQuestions(Console& console, ConverterAnswers& answers) {
  writePrompt(console, "--- RESTART時間の入力");
  answers.restartTime = readRealAnswer(console);
  writePrompt(console, "--- 出力する初期値の設定");
  writePrompt(console, "---     　　PRESSURE HEAD/0");
  writePrompt(console, "---       　 　TOTAL HEAD/1");
  answers.restartInitialValue = readAnswer(console);
  writePrompt(console, "--- 流量出力の選択");
  writePrompt(console, "---     　　初期流量の値/0");
  writePrompt(console, "---       　　　　計算値/1");
  answers.restartDischarge = readAnswer(console);
}

int runConverter() {
  Console console;
  openConsole(console);
  ProgressMeter progress;
  ConsoleAnswers late(console, progress);
  ConverterAnswers answers;

  // The result file and its header.
  const std::string resultName = chooseResultFile(console);
  InputUnit resultFile(unitNumber::resultFile);
  openResultFile(resultFile, resultName);
  progress.follow(resultFile, fileSize(resultName));
  const std::string title = readResultTitle(resultFile);
  writeFreeForm(console.out, std::string_view(title));
  const ResultCounts counts = readResultCounts(resultFile);
  writeFreeForm(console.out, counts.nodeCount, counts.elementCount, counts.nodesPerElement);

  // Output form and its file; with no file the sub-mesh outputs go to the console.
  askOutputForm(console, answers);
  OutputSink sink(console.out);
  openFormFiles(sink, outputFormFor(answers.outputForm));

  // Requested output times and the sub-mesh.
  answers.timeSelection = askTimeSelection(console, answers.outputForm);
  InputUnit outputTimeFile(unitNumber::outputTimeFile);
  int outputTimeCount = 1;
  if (readsOutputTimeFile(answers)) {
    writePrompt(console, "---     出力時間・メッシュを設定したデータファイル名の入力");
    const std::string name = readFileName(console);
    outputTimeFile.openOld(name);
    outputTimeCount = readOutputTimeCount(outputTimeFile);
  }

  ConverterFiles files{resultFile, sink, readsOutputTimeFile(answers) ? &outputTimeFile : nullptr};
  runConversion(late, files, answers, title, counts, outputTimeCount, progress);
  progress.clear();

  // A quiet end; a failed write of the last records is still reported.
  sink.closeAll();
  console.out.close();
  return 0;
}
