#pragma once
// The application object: sets the program's names and runs the main window
// for the whole program run. It keeps no state of its own.
#include <QApplication>

#include "ui/command_line.h"

namespace kvl {

class CQmApp : public QApplication {
  Q_OBJECT

 public:
  // `argc` must outlive the application (Qt keeps a reference to it).
  CQmApp(int& argc, char** argv);

  // Shows the main window and returns the program's exit status when it closes.
  int Run(const CommandLine& commandLine);
};

}  // namespace kvl
