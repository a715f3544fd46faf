#include "app/qm_app.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "config/config_location.h"
#include "ui/dialogs/about_dlg.h"

namespace kvl {

CQmApp::CQmApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kProgramName));
  setApplicationVersion(QString::fromLatin1(ProgramVersion()));
}

int CQmApp::Run(const CommandLine& commandLine) {
  // Stands in for the main window until it exists: says what would be used.
  const std::string configFile = ConfigurationFilePath(CurrentConfigurationPlaces(commandLine.configPath));
  QString text = QStringLiteral("KvlGrad %1\nConfiguration file: %2")
                     .arg(QString::fromLatin1(ProgramVersion()), QString::fromStdString(configFile));
  if (commandLine.demo) {
    text += QStringLiteral("\nDemo bus: %1 detectors of type %2")
                .arg(commandLine.demoCount)
                .arg(commandLine.demoType ? QString::number(*commandLine.demoType) : QStringLiteral("(configured)"));
  }
  QWidget window;
  window.setWindowTitle(applicationName());
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel(text, &window));
  window.show();
  return exec();
}

}  // namespace kvl
