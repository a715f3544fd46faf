#include "app/qm_app.h"

#include "ui/dialogs/about_dlg.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

CQmApp::CQmApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kProgramName));
  setApplicationVersion(QString::fromLatin1(ProgramVersion()));
}

int CQmApp::Run(const CommandLine& commandLine) {
  KvlDlgOptions options;
  options.configPath = commandLine.configPath;
  if (commandLine.demo) options.demo = DemoOptions{commandLine.demoType, commandLine.demoCount};
  if (commandLine.stabilizationSeconds) options.stabilizationMs = *commandLine.stabilizationSeconds * 1000;
  CKvlDlg window(std::move(options));
  window.Place();
  window.show();
  return exec();
}

}  // namespace kvl
